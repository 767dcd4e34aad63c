#!/usr/bin/env python3
"""Checks a gate-level .cgp circuit on every input vector, independently of the generators: it reads
the file's text, evaluates all 2^in vectors at once (one Python integer per signal, bit k belonging to
vector k) and compares every output bit with the intended function of the operands.

    check_cgp.py FILE add|mul     prints gates, active gates, depth and the codes used; exits 1 on a fault

Operands: the first in/2 primary inputs are a (least significant first), the next in/2 are b; the
outputs are the result, least significant bit first.
"""
import re
import sys

CODE_NAMES = ["BUF", "NOT", "AND", "OR", "XOR", "NAND", "NOR", "XNOR", "TRUE", "FALSE"]


def parse(text):
    header = re.match(r"\{(\d+),(\d+),(\d+),(\d+),(\d+),(\d+),(\d+)\}", text)
    assert header, "no header"
    inputs, outputs, rows, cols, arity, per_node, lback = map(int, header.groups())
    assert (rows, arity, per_node) == (1, 2, 1), "a gate-level header has rows 1, ni 2, no 1"
    rest = text[header.end():].strip()
    groups = re.findall(r"\(\[(\d+)\](\d+),(\d+),(\d+)\)", rest)
    tail = re.fullmatch(r"(?:\(\[\d+\]\d+,\d+,\d+\))*\(([\d,]+)\)", rest)
    assert tail, "the groups are not followed by one output list"
    gates = []
    for k, (ident, a, b, code) in enumerate(groups):
        ident, a, b, code = int(ident), int(a), int(b), int(code)
        assert ident == inputs + 2 + k, "gate %d has id %d" % (k, ident)
        for operand in (a, b):
            assert operand < ident, "gate %d reads a later index" % ident
            assert operand < inputs + 2 or ident - operand <= lback, "gate %d reaches too far back" % ident
        assert 0 <= code <= 9, "unknown code %d" % code
        gates.append((code, a, b))
    assert len(gates) == cols, "header says %d gates, file has %d" % (cols, len(gates))
    outs = [int(o) for o in tail.group(1).split(",")]
    assert len(outs) == outputs and all(o < inputs + 2 + cols for o in outs)
    return inputs, gates, outs


def simulate(inputs, gates, outs):
    """Every signal over all vectors at once; input k is bit k of the vector number."""
    count = 1 << inputs
    full = (1 << count) - 1
    signals = [0, full]
    for k in range(inputs):
        period = 1 << (k + 1)
        pattern = ((1 << (1 << k)) - 1) << (1 << k)  # zeros then ones, one period long
        while period < count:
            pattern |= pattern << period
            period *= 2
        signals.append(pattern)
    for code, a, b in gates:
        x, y = signals[a], signals[b]
        signals.append([x, full ^ x, x & y, x | y, x ^ y, full ^ (x & y), full ^ (x | y), full ^ x ^ y,
                        full, 0][code])
    return [signals[o] for o in outs], count


def expected(function, inputs, out_count):
    """The intended output bits, one integer per output bit, built through bytes for speed."""
    width = inputs // 2
    mask = (1 << width) - 1
    count = 1 << inputs
    columns = [bytearray(count // 8 or 1) for _ in range(out_count)]
    for vector in range(count):
        a, b = vector & mask, vector >> width
        value = a + b if function == "add" else a * b
        for bit in range(out_count):
            if value >> bit & 1:
                columns[bit][vector >> 3] |= 1 << (vector & 7)
    assert value >> out_count == 0, "the outputs cannot hold the result"
    return [int.from_bytes(column, "little") for column in columns]


def measure(inputs, gates, outs):
    """Active gates (in the cone of an output), depth in gates, codes and constants the cone uses."""
    first = inputs + 2
    active, stack = set(), [o for o in outs if o >= first]
    while stack:
        node = stack.pop()
        if node in active:
            continue
        active.add(node)
        code, a, b = gates[node - first]
        reads = [] if code in (8, 9) else [a] if code in (0, 1) else [a, b]
        stack += [r for r in reads if r >= first]
    depth = [0] * (first + len(gates))
    used_codes, constants = set(), set()
    for node in sorted(active):
        code, a, b = gates[node - first]
        reads = [] if code in (8, 9) else [a] if code in (0, 1) else [a, b]
        depth[node] = 1 + max([depth[r] for r in reads], default=0)
        used_codes.add(code)
        constants |= {r for r in reads if r < 2}
    return len(active), max(depth[o] for o in outs), used_codes, constants


def check(path, function):
    with open(path) as file:
        inputs, gates, outs = parse(file.read())
    got, count = simulate(inputs, gates, outs)
    want = expected(function, inputs, len(outs))
    wrong = [bit for bit in range(len(outs)) if got[bit] != want[bit]]
    active, depth, codes, constants = measure(inputs, gates, outs)
    codes_text = ",".join(CODE_NAMES[c] for c in sorted(codes))
    verdict = "all %d vectors right" % count if not wrong else "WRONG output bits %s" % wrong
    print("%-20s %4d gates (%d active), depth %2d, codes %s%s: %s" % (
        path.rsplit("/", 1)[-1], len(gates), active, depth, codes_text,
        ", constants " + "+".join(map(str, sorted(constants))) if constants else "", verdict))
    return not wrong


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[2] not in ("add", "mul"):
        sys.exit(__doc__)
    sys.exit(0 if check(sys.argv[1], sys.argv[2]) else 1)
