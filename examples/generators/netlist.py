"""A gate-level netlist in the index space of the .cgp dialect, and the arithmetic built from it.

Index 0 is the constant 0, index 1 the constant 1, the primary inputs follow, then one index per gate
in the order the gates are made (every gate reads only earlier indices). Signals are these indices;
None stands for a known logic 0 and is folded away by the helpers, so no gate is spent on it.
"""

BUF, NOT, AND, OR, XOR, NAND, NOR, XNOR, TRUE, FALSE = range(10)
ZERO, ONE = 0, 1


class Netlist:
    def __init__(self, input_count):
        self.input_count = input_count
        self.gates = []  # (code, a, b)

    def input(self, k):
        return 2 + k

    def gate(self, code, a=ZERO, b=None):
        self.gates.append((code, a, a if b is None else b))
        return 1 + self.input_count + len(self.gates)

    def cgp(self, outputs):
        """The chromosome text: header, one group per gate, the outputs least significant first.
        Gates no output depends on are left out (the helpers' folding of zeros can strand a few)."""
        first = 2 + self.input_count
        live, stack = set(), [o for o in outputs if o >= first]
        while stack:
            node = stack.pop()
            if node not in live:
                live.add(node)
                stack += [r for r in self.gates[node - first][1:] if r >= first]
        index = {k: k for k in range(first)}
        for node in sorted(live):
            index[node] = len(index)  # the next free index
        kept = [self.gates[node - first] for node in sorted(live)]
        cols = len(kept)
        text = "{%d,%d,1,%d,2,1,%d}" % (self.input_count, len(outputs), cols, cols)
        text += "".join("([%d]%d,%d,%d)" % (first + k, index[a], index[b], code)
                        for k, (code, a, b) in enumerate(kept))
        return text + "(" + ",".join(str(index[o]) for o in outputs) + ")\n"


# Plain AND/OR/XOR cells with None as logic 0.
def and2(n, a, b):
    return None if a is None or b is None else n.gate(AND, a, b)


def or2(n, a, b):
    return b if a is None else a if b is None else n.gate(OR, a, b)


def xor2(n, a, b):
    return b if a is None else a if b is None else n.gate(XOR, a, b)


def half_adder(n, a, b):
    return xor2(n, a, b), and2(n, a, b)


def full_adder(n, a, b, c):
    if c is None:
        return half_adder(n, a, b)
    p = xor2(n, a, b)
    return xor2(n, p, c), or2(n, and2(n, a, b), and2(n, p, c))


def ripple_adder(n, xs, ys, carry=None):
    """Sum bits of xs + ys + carry (equal lengths, least significant first) and the carry out."""
    sums = []
    for x, y in zip(xs, ys):
        s, carry = full_adder(n, x, y, carry)
        sums.append(s)
    return sums, carry


def balanced(n, combine, signals):
    """A tree of two-input cells over the signals, as shallow as the count allows."""
    signals = list(signals)
    while len(signals) > 1:
        signals = [combine(n, *signals[k:k + 2]) if k + 1 < len(signals) else signals[k]
                   for k in range(0, len(signals), 2)]
    return signals[0] if signals else None


def lookahead_adder(n, xs, ys, block=4):
    """Carry-lookahead: every carry of a block of four as a two-level AND/OR of its generates and
    propagates and the block's carry in; the blocks' carries from group generates and propagates."""
    g = [and2(n, x, y) for x, y in zip(xs, ys)]
    p = [xor2(n, x, y) for x, y in zip(xs, ys)]

    def carry_into(k, lo, carry_in):
        # c_k = g_{k-1} + p_{k-1} g_{k-2} + ... + p_{k-1} ... p_lo c_lo
        terms = [balanced(n, and2, [g[j]] + p[j + 1:k]) for j in range(lo, k)]
        terms.append(balanced(n, and2, [carry_in] + p[lo:k]) if carry_in is not None else None)
        return balanced(n, or2, [t for t in terms if t is not None])

    carries, carry = [], None
    for lo in range(0, len(xs), block):
        hi = min(lo + block, len(xs))
        carries.append(carry)
        carries += [carry_into(k, lo, carry) for k in range(lo + 1, hi)]
        group_generate = carry_into(hi, lo, None)
        group_propagate = balanced(n, and2, p[lo:hi])
        carry = or2(n, group_generate, and2(n, group_propagate, carry))
    return [xor2(n, pk, ck) for pk, ck in zip(p, carries)], carry


def prefix_adder(n, xs, ys, carry_out=True):
    """Kogge-Stone: (generate, propagate) pairs combined over spans doubling at each level."""
    g = [and2(n, x, y) for x, y in zip(xs, ys)]
    p = [xor2(n, x, y) for x, y in zip(xs, ys)]
    span_g, span_p = list(g), list(p)
    width, distance = len(xs), 1
    while distance < width:
        next_g, next_p = list(span_g), list(span_p)
        # The widest span feeds only the carry out.
        for k in range(distance, width if carry_out else width - 1):
            next_g[k] = or2(n, span_g[k], and2(n, span_p[k], span_g[k - distance]))
            next_p[k] = and2(n, span_p[k], span_p[k - distance]) if k >= 2 * distance else None
        span_g, span_p, distance = next_g, next_p, distance * 2
    sums = [p[0]] + [xor2(n, p[k], span_g[k - 1]) for k in range(1, width)]
    return sums, span_g[width - 1] if carry_out else None
