"""An exact median of nine values as a compare-and-swap network, derived from a full sorting network.

Batcher's odd-even merge sort of 16 wires, cut to 9 (the seven missing wires would hold the largest
value, so every comparator that touches them changes nothing), sorts nine values; the median leaves
on wire 4. Comparators are then dropped, last first and again until none can go, whenever the median
stays right for all 512 inputs of zeros and ones; by the 0-1 principle it then stays right for every
input.
"""
from itertools import product


def merge(lo, hi, r):
    """Comparators merging the two sorted halves of wires lo..hi (inclusive) taken r apart."""
    step = r * 2
    if step < hi - lo:
        yield from merge(lo, hi, step)
        yield from merge(lo + r, hi, step)
        yield from ((i, i + r) for i in range(lo + r, hi - r, step))
    else:
        yield lo, lo + r


def sort(lo, hi):
    if hi > lo:
        mid = lo + (hi - lo) // 2
        yield from sort(lo, mid)
        yield from sort(mid + 1, hi)
        yield from merge(lo, hi, 1)


def apply(network, values):
    values = list(values)
    for i, j in network:
        if values[i] > values[j]:
            values[i], values[j] = values[j], values[i]
    return values


def selects(network, count, middle):
    return all(apply(network, bits)[middle] == sorted(bits)[middle] for bits in product((0, 1), repeat=count))


def median_network(count=9):
    middle = count // 2
    network = [(i, j) for i, j in sort(0, 15) if j < count]
    assert all(apply(network, bits) == sorted(bits) for bits in product((0, 1), repeat=count))
    dropped = True
    while dropped:
        dropped = False
        for k in reversed(range(len(network))):
            trial = network[:k] + network[k + 1:]
            if selects(trial, count, middle):
                network, dropped = trial, True
    return network, middle


def cha(network, count, middle):
    """The .cha text. Node n reads the current ids of its two wires; odd nodes use code 2 (MAX first)
    so that both codes occur, and the wires take the ids of MIN and MAX accordingly."""
    wire = list(range(count))
    nodes = []
    for n, (i, j) in enumerate(network):
        code = 1 + n % 2
        p, q = count + 2 * n, count + 2 * n + 1
        nodes.append("([%d,%d]%d,%d,%d)" % (p, q, wire[i], wire[j], code))
        wire[i], wire[j] = (p, q) if code == 1 else (q, p)
    header = "{%d,1,%d,1,2,2,%d}" % (count, len(nodes), len(nodes))
    return header + "".join(nodes) + "(%d)\n" % wire[middle]
