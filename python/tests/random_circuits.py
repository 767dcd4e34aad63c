"""Random chromosome lines and function assignments, and the files the program reads them from."""

import random

MUX = 15


def random_line(rng, inputs, outputs, columns, rows, arity, genes, forward=False):
    """A chromosome line whose blocks read earlier columns; with forward, some read any entry."""
    total = inputs + columns * rows
    groups = []
    for column in range(columns):
        first = inputs + column * rows
        for row in range(rows):
            sources = [rng.randrange(total) if forward and rng.random() < 0.4 else rng.randrange(first)
                       for _ in range(arity)]
            groups.append("([%d]%s,%d)" % (first + row, ",".join(map(str, sources)), rng.randrange(genes)))
    outs = ",".join(str(rng.randrange(total)) for _ in range(outputs))
    return "{%d,%d,%d,%d,%d,1,-1}%s(%s)" % (inputs, outputs, columns, rows, arity, "".join(groups), outs)


def random_identifiers(rng, genes, arity):
    """{gene: identifier} over the whole function set (the multiplexer only where it may stand)."""
    choices = [i for i in range(0, 52) if i != MUX or arity == 3]
    return {gene: rng.choice(choices) for gene in range(genes)}


def random_circuit(seed, forward=False, inputs=None, outputs=None):
    """(line, identifiers, inputs) of a random circuit of small size."""
    rng = random.Random(seed)
    arity = rng.choice([1, 2, 2, 3])
    genes = rng.randrange(1, 10)
    inputs = inputs or rng.randrange(1, 8)
    line = random_line(rng, inputs, outputs or rng.randrange(1, 5), rng.randrange(1, 7), rng.randrange(1, 5),
                       arity, genes, forward)
    return line, random_identifiers(rng, genes, arity), inputs


def layout_text(columns, rows, entries, identifiers):
    """A layout file that carries only the grid and the function assignment (rows f1 ... f32)."""
    lines = ["[Global]", "m=%d" % columns, "n=%d" % rows, "maxidx=%d" % entries, "[Eval]"]
    lines += ["f%d=%d" % (gene + 1, identifiers.get(gene, 0)) for gene in range(32)]
    return "\n".join(lines) + "\n"


def script_text(vectors):
    """A test script that evaluates each vector once."""
    return "".join(" ".join("%d:%d" % (k, v) for k, v in enumerate(vector)) + "\n" for vector in vectors)
