"""The example circuits: 8-bit adders and 8x8 multipliers as gate-level netlists.

Every builder returns (netlist, outputs). The operands are the primary inputs a0..a7 then b0..b7,
least significant bit first; the outputs are the result, least significant bit first.
"""
from netlist import (AND, BUF, FALSE, NAND, NOR, NOT, ONE, OR, TRUE, XNOR, XOR, ZERO, Netlist,
                     full_adder, lookahead_adder, prefix_adder, ripple_adder, xor2)

WIDTH = 8


def operands(n):
    return [n.input(k) for k in range(WIDTH)], [n.input(WIDTH + k) for k in range(WIDTH)]


def adder_ripple():
    n = Netlist(2 * WIDTH)
    sums, carry = ripple_adder(n, *operands(n))
    return n, sums + [carry]


def adder_lookahead():
    n = Netlist(2 * WIDTH)
    sums, carry = lookahead_adder(n, *operands(n))
    return n, sums + [carry]


def adder_prefix():
    n = Netlist(2 * WIDTH)
    sums, carry = prefix_adder(n, *operands(n))
    return n, sums + [carry]


def adder_nand():
    """Ripple carry from NAND gates only: nine per full adder, five for the half adder of bit 0."""
    n = Netlist(2 * WIDTH)
    sums, carry = [], None
    for a, b in zip(*operands(n)):
        both = n.gate(NAND, a, b)
        half = n.gate(NAND, n.gate(NAND, a, both), n.gate(NAND, b, both))  # a XOR b
        if carry is None:
            sums.append(half)
            carry = n.gate(NAND, both, both)
            continue
        mixed = n.gate(NAND, half, carry)
        sums.append(n.gate(NAND, n.gate(NAND, half, mixed), n.gate(NAND, carry, mixed)))
        carry = n.gate(NAND, both, mixed)
    return n, sums + [carry]


def adder_all_codes():
    """Ripple carry where every code 0-9 and both constants lie on a path to an output: buffers, AND
    with the constant 1 and AND with a TRUE gate pass signals on, XOR with a FALSE gate too, the carry
    into bit 0 is the constant 0, and the carries alternate between an OR/NOR and a NAND form."""
    n = Netlist(2 * WIDTH)
    true, false = n.gate(TRUE), n.gate(FALSE)
    sums, carry = [], ZERO
    for bit, (a, b) in enumerate(zip(*operands(n))):
        a = n.gate(BUF, a) if bit % 2 == 0 else n.gate(AND, a, ONE)
        b = n.gate(XOR, b, false)
        differ_not = n.gate(XNOR, a, b)  # NOT (a XOR b)
        total = n.gate(XNOR, differ_not, carry)  # a XOR b XOR carry
        sums.append(n.gate(AND, total, true) if bit % 3 == 0 else total)
        if bit % 2 == 0:
            generate = n.gate(NOR, n.gate(NOT, a), n.gate(NOT, b))  # a AND b
            passed = n.gate(NOR, differ_not, n.gate(NOT, carry))  # (a XOR b) AND carry
            carry = n.gate(OR, generate, passed)
        else:
            differ = n.gate(NOT, differ_not)
            carry = n.gate(NAND, n.gate(NAND, a, b), n.gate(NAND, differ, carry))
    return n, sums + [n.gate(OR, carry, ZERO)]


def partial_products(n):
    a, b = operands(n)
    return [[n.gate(AND, a[j], b[i]) for j in range(WIDTH)] for i in range(WIDTH)]


def multiplier_array():
    """Carry-save array: each row of partial products enters a row of full adders with the previous
    row's sums and carries; a ripple-carry row merges the last sums and carries."""
    n = Netlist(2 * WIDTH)
    rows = partial_products(n)
    product = []
    sums = {j: rows[0][j] for j in range(WIDTH)}  # by weight
    carries = {}
    for i in range(1, WIDTH):
        product.append(sums.pop(i - 1))  # nothing of a lower weight comes any more
        next_sums, next_carries = {}, {}
        for weight in range(i, i + WIDTH):
            s, c = full_adder(n, rows[i][weight - i], sums.get(weight), carries.get(weight))
            next_sums[weight], next_carries[weight + 1] = s, c
        sums, carries = next_sums, next_carries
    product.append(sums.pop(WIDTH - 1))
    high = range(WIDTH, 2 * WIDTH - 1)
    merged, carry = ripple_adder(n, [sums[w] for w in high], [carries[w] for w in high])
    return n, product + merged + [xor2(n, carries[2 * WIDTH - 1], carry)]  # no carry beyond 16 bits


def multiplier_tree():
    """Dadda: the columns of partial products are cut to heights 6, 4, 3 and 2 by full and half adders
    (only as many as each stage needs), then a parallel-prefix adder adds the last two rows."""
    n = Netlist(2 * WIDTH)
    rows = partial_products(n)
    columns = [[] for _ in range(2 * WIDTH)]
    for i in range(WIDTH):
        for j in range(WIDTH):
            columns[i + j].append(rows[i][j])
    heights = [2]
    while heights[-1] * 3 // 2 < WIDTH:
        heights.append(heights[-1] * 3 // 2)
    for height in reversed(heights):
        for weight in range(2 * WIDTH - 1):
            column = columns[weight]
            while len(column) > height:
                if len(column) == height + 1:
                    s, c = full_adder(n, column.pop(0), column.pop(0), None)
                else:
                    s, c = full_adder(n, column.pop(0), column.pop(0), column.pop(0))
                column.append(s)
                columns[weight + 1].append(c)
    first = [column[0] if column else None for column in columns]
    second = [column[1] if len(column) > 1 else None for column in columns]
    product, _ = prefix_adder(n, first, second, carry_out=False)
    return n, product


CIRCUITS = {  # file name: (builder, function, what it is)
    "adder_rca8.cgp": (adder_ripple, "add", "ripple-carry adder"),
    "adder_cla8.cgp": (adder_lookahead, "add", "carry-lookahead adder, blocks of four"),
    "adder_ks8.cgp": (adder_prefix, "add", "Kogge-Stone parallel-prefix adder"),
    "adder_nand8.cgp": (adder_nand, "add", "ripple-carry adder of NAND gates only"),
    "adder_allcodes8.cgp": (adder_all_codes, "add", "ripple-carry adder using every code and both constants"),
    "mul_array8.cgp": (multiplier_array, "mul", "carry-save array multiplier"),
    "mul_tree8.cgp": (multiplier_tree, "mul", "Dadda tree multiplier with a prefix adder"),
}
