#!/usr/bin/env python3
"""Evolves a 3x3 salt-and-pepper filter with a (1+4) evolution strategy, pellisor as the evaluator.

The circuit is a Cartesian Genetic Programming grid of 8 x 4 two-input blocks over the nine pixels of
a neighbourhood. Each generation mutates the parent into four offspring, filters the noisy picture
with each and keeps the best by the mean difference per pixel (MDPP) to the clean picture; an
offspring as good as its parent replaces it, which lets the search drift across equal circuits.

    python3 examples/python/evolve_filter.py [--generations 300] [--seed 1] [--out .]

It prints the MDPP per generation and writes the best circuit as best_filter.chr and best_filter.svg.
"""

import argparse
import random
from pathlib import Path

import pellisor

INPUTS, COLUMNS, ROWS, ARITY = 9, 8, 4, 2
# Byte functions evolved filters are made of (AND, OR, XOR, MAX, MIN, 255, 255-x, shifts, sums,
# means ...), one per function gene.
FUNCTIONS = [1, 2, 3, 10, 11, 16, 18, 19, 20, 21, 23, 24, 25, 26, 27, 42]
PICTURE = Path(__file__).resolve().parent.parent / "pattern64_clean.bmp"


def random_genome(rng):
    """Per block its two sources (inputs or blocks of earlier columns) and its function, then the output."""
    genome = []
    for column in range(COLUMNS):
        first_of_column = INPUTS + column * ROWS
        for _ in range(ROWS):
            genome += [rng.randrange(first_of_column), rng.randrange(first_of_column), rng.randrange(len(FUNCTIONS))]
    genome.append(rng.randrange(INPUTS, INPUTS + COLUMNS * ROWS))
    return genome


def mutate(genome, rng, genes=3):
    """A copy with a few genes drawn again within what each gene may hold."""
    child = list(genome)
    for _ in range(genes):
        at = rng.randrange(len(child))
        if at == len(child) - 1:
            child[at] = rng.randrange(INPUTS, INPUTS + COLUMNS * ROWS)
        elif at % 3 == 2:
            child[at] = rng.randrange(len(FUNCTIONS))
        else:
            column = (at // 3) // ROWS
            child[at] = rng.randrange(INPUTS + column * ROWS)
    return child


def chromosome_line(genome):
    blocks = "".join(f"({genome[i]},{genome[i + 1]},{genome[i + 2]})" for i in range(0, len(genome) - 1, 3))
    return f"{{{INPUTS},1,{COLUMNS},{ROWS},{ARITY},{COLUMNS},-1}}{blocks}({genome[-1]})"


def fitness(genome, noisy, clean, assignment):
    circuit = pellisor.Circuit.parse(chromosome_line(genome))
    filtered = circuit.filter3x3(noisy, assignment=assignment)
    return pellisor.quality(filtered, clean)["mdpp"]


def main():
    arguments = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    arguments.add_argument("--generations", type=int, default=300)
    arguments.add_argument("--seed", type=int, default=1)
    arguments.add_argument("--out", type=Path, default=Path("."))
    options = arguments.parse_args()

    rng = random.Random(options.seed)
    assignment = pellisor.Assignment({gene: identifier for gene, identifier in enumerate(FUNCTIONS)})
    clean = pellisor.read_picture(str(PICTURE))
    noisy = pellisor.noise(clean, "sp", 0.1, options.seed)
    print(f"noisy picture: MDPP {pellisor.quality(noisy, clean)['mdpp']:.3f}")

    parent = random_genome(rng)
    parent_fitness = fitness(parent, noisy, clean, assignment)
    for generation in range(1, options.generations + 1):
        for child in (mutate(parent, rng) for _ in range(4)):
            child_fitness = fitness(child, noisy, clean, assignment)
            if child_fitness <= parent_fitness:
                parent, parent_fitness = child, child_fitness
        print(f"generation {generation}: MDPP {parent_fitness:.3f}")

    best = pellisor.Circuit.parse(chromosome_line(parent))
    options.out.mkdir(parents=True, exist_ok=True)
    (options.out / "best_filter.chr").write_text(best.to_chr(), encoding="utf-8")
    (options.out / "best_filter.svg").write_text(best.to_svg(assignment=assignment), encoding="utf-8")
    print(f"best circuit: {chromosome_line(parent)}")
    print(f"written: {options.out / 'best_filter.chr'}, {options.out / 'best_filter.svg'}")


if __name__ == "__main__":
    main()
