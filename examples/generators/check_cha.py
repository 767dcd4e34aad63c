#!/usr/bin/env python3
"""Checks that a .cha compare-and-swap network computes the exact median of its inputs, independently
of the generator: it reads the file's text and evaluates every input of zeros and ones (which, by the
0-1 principle, decides every input), every ordering of nine distinct values, and random 8-bit inputs
with repeats.

    check_cha.py FILE     prints nodes, active nodes, depth; exits 1 on a fault
"""
import random
import re
import sys
from itertools import permutations, product


def parse(text):
    header = re.match(r"\{(\d+),(\d+),(\d+),1,2,2,(\d+)\}", text)
    assert header, "no header"
    inputs, outputs, count, lback = map(int, header.groups())
    rest = text[header.end():].strip()
    tail = re.fullmatch(r"(?:\(\[\d+,\d+\]\d+,\d+,\d+\))*\(([\d,]+)\)", rest)
    assert tail, "the nodes are not followed by one output list"
    nodes = []
    for n, fields in enumerate(re.findall(r"\(\[(\d+),(\d+)\](\d+),(\d+),(\d+)\)", rest)):
        p, q, x, y, code = map(int, fields)
        assert (p, q) == (inputs + 2 * n, inputs + 2 * n + 1), "node %d has ids %d,%d" % (n, p, q)
        assert x < p and y < p, "node %d reads a later id" % n
        assert all(v < inputs or (p - v + 1) // 2 <= lback for v in (x, y)), "node %d reaches too far" % n
        assert code in (1, 2), "unknown code %d" % code
        nodes.append((x, y, code))
    assert len(nodes) == count, "header says %d nodes, file has %d" % (count, len(nodes))
    outs = [int(o) for o in tail.group(1).split(",")]
    assert len(outs) == outputs and all(o < inputs + 2 * count for o in outs)
    return inputs, nodes, outs


def evaluate(nodes, outs, values):
    ids = list(values)
    for x, y, code in nodes:
        low, high = min(ids[x], ids[y]), max(ids[x], ids[y])
        ids += [low, high] if code == 1 else [high, low]
    return [ids[o] for o in outs]


def measure(inputs, nodes, outs):
    active, stack = set(), [(o - inputs) // 2 for o in outs if o >= inputs]
    while stack:
        n = stack.pop()
        if n not in active:
            active.add(n)
            stack += [(v - inputs) // 2 for v in nodes[n][:2] if v >= inputs]
    depth = [0] * inputs
    for x, y, _ in nodes:
        depth += [1 + max(depth[x], depth[y])] * 2
    return len(active), max(depth[o] for o in outs)


def check(path):
    with open(path) as file:
        inputs, nodes, outs = parse(file.read())
    assert len(outs) == 1, "a median has one output"
    middle = inputs // 2
    rng = random.Random(9)
    cases = [list(v) for v in product((0, 1), repeat=inputs)]
    cases += [list(v) for v in permutations(range(inputs))] if inputs <= 9 else []
    cases += [[rng.randrange(256) for _ in range(inputs)] for _ in range(100000)]
    wrong = next((v for v in cases if evaluate(nodes, outs, v) != [sorted(v)[middle]]), None)
    active, depth = measure(inputs, nodes, outs)
    verdict = "all %d inputs right" % len(cases) if wrong is None else "WRONG for %s" % wrong
    print("%-20s %4d nodes (%d active), depth %2d: %s" % (path.rsplit("/", 1)[-1], len(nodes), active, depth, verdict))
    return wrong is None


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(0 if check(sys.argv[1]) else 1)
