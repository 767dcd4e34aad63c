#!/usr/bin/env python3
"""Writes the gate-level adders and multipliers (.cgp), the median network (.cha) and their test
scripts into examples/, then checks every circuit file on all its inputs with the independent
checkers; exits 1 when one is wrong. Deterministic: the same files on every run.

    python3 examples/generators/make_circuits.py
"""
import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ beside the examples
import check_cgp  # noqa: E402
import check_cha  # noqa: E402
import circuits  # noqa: E402
import median_network  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.dirname(HERE)
# The program turns the constants of a .cgp file into blocks, so the operand bits are its primary
# inputs 0 to 15.
OPERAND_INPUT = 0
WIDTH = circuits.WIDTH


class Random:
    """A small linear congruential generator, so the vectors never depend on Python's version."""

    def __init__(self, seed):
        self.seed = seed

    def below(self, limit):
        self.seed = (self.seed * 1103515245 + 12345) & 0x7FFFFFFF
        return (self.seed >> 8) % limit


def write(name, text):
    with open(os.path.join(EXAMPLES, name), "w", newline="\n") as file:
        file.write(text)


def operand_script(symbol, function, intro):
    """A binary script of a few dozen operand pairs, each after a comment with its expected result."""
    rng = Random(2024 if symbol == "+" else 1977)
    top = (1 << WIDTH) - 1
    pairs = [(0, 0), (1, 0), (0, 1), (1, 1), (top, 0), (0, top), (top, 1), (1, top), (top, top),
             (128, 128), (127, 1), (85, 170), (170, 85), (15, 240), (16, 16), (100, 100)]
    pairs += [(rng.below(top + 1), rng.below(top + 1)) for _ in range(16)]
    operand_inputs = range(OPERAND_INPUT, OPERAND_INPUT + 2 * WIDTH)
    lines = intro + ["i " + " ".join(map(str, operand_inputs))]
    for a, b in pairs:
        bits = [(a >> k) & 1 for k in range(WIDTH)] + [(b >> k) & 1 for k in range(WIDTH)]
        lines.append("# %d %s %d = %d" % (a, symbol, b, function(a, b)))
        lines.append(" ".join("%d:%d" % (i, bit) for i, bit in zip(operand_inputs, bits)))
    return "\n".join(lines) + "\n"


def median_script():
    rng = Random(9)
    vectors = [list(range(9)), list(range(8, -1, -1)), [7] * 9, [0, 255] * 4 + [0], [255, 0] * 4 + [255],
               [3, 3, 3, 3, 200, 200, 200, 200, 200], [10, 20, 30, 40, 50, 60, 70, 80, 90][::-1]]
    vectors += [[rng.below(256) for _ in range(9)] for _ in range(17)]
    lines = ["# Medián devíti čísel median9.cha: vstupy 0-8 jsou okolí pixelu, výstup 0 jeho medián.",
             "# Poslední sloupec výsledku má být roven číslu za = v komentáři nad vektorem."]
    for values in vectors:
        lines.append("# medián %s = %d" % (" ".join(map(str, values)), sorted(values)[4]))
        lines.append(" ".join("%d:%d" % (k, v) for k, v in enumerate(values)))
    return "\n".join(lines) + "\n"


def main():
    ok = True
    for name, (build, function, _) in circuits.CIRCUITS.items():
        netlist, outputs = build()
        write(name, netlist.cgp(outputs))
        ok &= check_cgp.check(os.path.join(EXAMPLES, name), function)
    network, middle = median_network.median_network()
    write("median9.cha", median_network.cha(network, 9, middle))
    ok &= check_cha.check(os.path.join(EXAMPLES, "median9.cha"))

    bits = "vstupy %d-%d jsou bity a, %d-%d bity b, nejnižší první" % (
        OPERAND_INPUT, OPERAND_INPUT + WIDTH - 1, OPERAND_INPUT + WIDTH, OPERAND_INPUT + 2 * WIDTH - 1)
    write("adder8.csb", operand_script("+", lambda a, b: a + b, [
        "# Sčítačky adder_*.cgp: " + bits + "; výstupy 0-8 jsou bity a + b.",
        "# Řádek výsledku: bity a a b, jejich hodnota a + 256*b, bity součtu a nakonec součet,",
        "# který má být roven číslu za = v komentáři nad vektorem."]))
    write("mul8.csb", operand_script("*", lambda a, b: a * b, [
        "# Násobičky mul_*.cgp: " + bits + "; výstupy 0-15 jsou bity a * b.",
        "# Řádek výsledku: bity a a b, jejich hodnota a + 256*b, bity součinu a nakonec součin,",
        "# který má být roven číslu za = v komentáři nad vektorem."]))
    write("median9.csd", median_script())
    return ok


if __name__ == "__main__":
    sys.exit(0 if main() else 1)
