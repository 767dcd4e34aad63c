"""The circuit part of the module against the program: loading, evaluation, the filter, errors."""

import json
import os
import pathlib
import pickle
import subprocess
import sys

import numpy as np
import pytest

import pellisor

sys.path.insert(0, os.path.dirname(__file__))
from agreement import read_bmp, run_program, write_bmp  # noqa: E402
from random_circuits import layout_text, random_circuit, script_text  # noqa: E402

EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples"
PROGRAM = os.environ.get("PELLISOR_PROGRAM")
needs_program = pytest.mark.skipif(not PROGRAM, reason="PELLISOR_PROGRAM names no program")


def write_circuit(directory, name, circuit, identifiers):
    (directory / (name + ".chr")).write_text(circuit_line(circuit) + "\n")
    (directory / (name + ".ini")).write_text(
        layout_text(circuit.columns, circuit.rows, circuit.inputs + circuit.columns * circuit.rows
                    + circuit.outputs, identifiers))


_LINES = {}


def circuit_line(circuit):
    return _LINES[id(circuit)]


def parsed(line):
    circuit = pellisor.Circuit.parse(line)
    _LINES[id(circuit)] = line
    return circuit


def read_tst(path):
    """The outputs of every result line of a script's log."""
    rows = []
    for line in path.read_text().splitlines()[1:]:
        rows.append([int(v) for v in line.split("\t\t")[1].split("\t")])
    return np.array(rows, dtype=np.int32)


@needs_program
@pytest.mark.parametrize("forward", [False, True])
def test_evaluate_equals_the_programs_script_run(tmp_path, forward):
    rng = np.random.default_rng(7)
    cases = [random_circuit(100 * seed + forward, forward=forward) for seed in range(4)]
    if forward:
        # Block 1 reads block 2 of the vector before: (x + 2 * previous x) mod 256.
        cases.append(("{1,1,1,2,2,1,-1}([1]0,2,0)([2]0,0,0)(1)", {0: 24}, 1))
    for seed, (line, identifiers, inputs) in enumerate(cases):
        circuit = parsed(line)
        assignment = pellisor.Assignment(identifiers)
        x = rng.integers(0, 300, size=(30, inputs), dtype=np.int32)
        name = "c%d" % seed
        write_circuit(tmp_path, name, circuit, identifiers)
        (tmp_path / (name + ".csd")).write_text(script_text(x))
        try:
            expected_error = None
            ours = circuit.evaluate(x, assignment=assignment)
        except pellisor.Error as error:
            expected_error = str(error)
        if expected_error is not None:
            result = subprocess.run([PROGRAM, name + ".chr", name + ".ini", name + ".csd", "-s", "-x"],
                                    cwd=tmp_path, capture_output=True, text=True)
            assert result.returncode == 1 and expected_error in result.stderr
            continue
        run_program(tmp_path, name + ".chr", name + ".ini", name + ".csd", "-s", "-o:stats")
        assert np.array_equal(ours, read_tst(tmp_path / (name + ".tst")))
        if seed == 4:
            assert ours[1, 0] == (x[1, 0] + 2 * x[0, 0]) % 256
        blocks = circuit.evaluate_blocks(x, assignment=assignment)
        assert np.array_equal(blocks[:, circuit.inputs + circuit.columns * circuit.rows:], ours)
        assert np.array_equal(blocks[:, :inputs], x)
        stats = json.loads((tmp_path / (name + ".stats.json")).read_text())
        assert len(circuit.active_blocks(assignment=assignment)) == stats["active_blocks"]
        assert circuit.max_delay(assignment=assignment) == stats["max_delay"]


def test_many_vectors_split_over_threads_equal_small_batches():
    line, identifiers, inputs = random_circuit(5, inputs=6, outputs=3)
    circuit = pellisor.Circuit.parse(line)
    assignment = pellisor.Assignment(identifiers)
    x = np.random.default_rng(1).integers(-2**31, 2**31, size=(20000, inputs), dtype=np.int64).astype(np.int32)
    whole = circuit.evaluate(x, assignment=assignment)
    parts = np.concatenate([circuit.evaluate(x[i:i + 700], assignment=assignment) for i in range(0, 20000, 700)])
    assert np.array_equal(whole, parts)
    # Other integer types and layouts are converted.
    assert np.array_equal(circuit.evaluate(x.astype(np.int64)[::2], assignment=assignment), whole[::2])
    assert np.array_equal(circuit.evaluate_blocks(np.asfortranarray(x[:300]), assignment=assignment)[:, -3:],
                          whole[:300])
    with pytest.raises(TypeError):
        circuit.evaluate(x.astype(np.float64), assignment=assignment)
    with pytest.raises(ValueError):
        circuit.evaluate(x[:, :2], assignment=assignment)


@needs_program
def test_filter3x3_equals_the_programs_filter(tmp_path):
    line, identifiers, _ = random_circuit(11, inputs=9, outputs=1)
    circuit = parsed(line)
    assignment = pellisor.Assignment(identifiers)
    picture = np.random.default_rng(3).integers(0, 256, size=(23, 31, 3), dtype=np.uint8)
    write_bmp(tmp_path / "in.bmp", picture)
    write_circuit(tmp_path, "f", circuit, identifiers)
    run_program(tmp_path, "f.chr", "f.ini", "-f:in.bmp")
    ours = circuit.filter3x3(picture, assignment=assignment)
    assert np.array_equal(ours, read_bmp(tmp_path / "f.flt.bmp"))
    # Grey: the filtered red channel of the picture grey in every channel.
    grey = picture[:, :, 1].copy()
    assert np.array_equal(circuit.filter3x3(grey, assignment=assignment),
                          circuit.filter3x3(np.dstack([grey] * 3), assignment=assignment)[:, :, 0])


def test_examples_of_every_kind_load_and_compute_what_they_say():
    adder = pellisor.load(str(EXAMPLES / "adder.chr"))
    assert (adder.input_names, adder.output_names) == (["a", "b", "c"], ["soucet", "prumer", "maximum"])
    assert "Součet" in adder.description and adder.assignment is None
    layout = pellisor.Assignment.from_ini(str(EXAMPLES / "adder.ini"))
    assert layout == pellisor.Assignment({0: 24, 1: 26, 2: 10})
    assert eval(repr(layout), {"pellisor": pellisor}) == layout and pickle.loads(pickle.dumps(layout)) == layout
    assert adder.evaluate(np.array([[1, 2, 3]]), assignment=layout).tolist() == [[6, 1, 3]]

    rng = np.random.default_rng(5)
    a, b = rng.integers(0, 256, 200), rng.integers(0, 256, 200)
    bits = np.array([[(v >> k) & 1 for k in range(8)] for v in a]), np.array([[(v >> k) & 1 for k in range(8)] for v in b])
    for name, exact in [("adder_ks8.cgp", a + b), ("mul_tree8.cgp", a * b)]:
        gates = pellisor.load(str(EXAMPLES / name))
        out = gates.evaluate(np.hstack(bits), assignment=gates.assignment)
        assert np.array_equal((out << np.arange(out.shape[1])).sum(axis=1), exact)
    median = pellisor.load(str(EXAMPLES / "median9.cha"))
    x = rng.integers(0, 256, size=(100, 9))
    assert np.array_equal(median.evaluate(x, assignment=median.assignment)[:, 0], np.sort(x, axis=1)[:, 4])
    assert median.assignment == pellisor.Assignment({1: 11, 2: 10})

    cells = pellisor.load(str(EXAMPLES / "cells.vrc"), answers=(3, 2, 1))
    assert (cells.outputs, cells.rows) == (2, 3)
    with pytest.raises(pellisor.Error, match="bylo zrušeno"):
        pellisor.load(str(EXAMPLES / "cells.vrc"))


def test_optimise_keeps_every_value_and_drops_the_redundant_gates():
    for seed in range(20):
        line, identifiers, inputs = random_circuit(300 + seed)
        identifiers = {gene: [4, 5, 1, 2, 10][gene % 5] for gene in identifiers}  # in1, in2, AND, OR, MAX
        circuit = pellisor.Circuit.parse(line)
        assignment = pellisor.Assignment(identifiers)
        optimised = circuit.optimise(assignment=assignment)
        x = np.random.default_rng(seed).integers(0, 256, size=(50, inputs))
        assert np.array_equal(optimised.evaluate(x, assignment=assignment), circuit.evaluate(x, assignment=assignment))
        assert len(optimised.active_blocks(assignment=assignment)) <= len(circuit.active_blocks(assignment=assignment))


def test_errors_carry_the_programs_messages(tmp_path):
    mux = pellisor.Circuit.parse("{2,1,1,1,2,1,-1}([2]0,1,0)(2)")
    with pytest.raises(pellisor.Error, match="MUX pro 2 vstup. hradla"):
        mux.evaluate(np.zeros((3, 2), np.int32), assignment=pellisor.Assignment({0: 15}))
    with pytest.raises(pellisor.Error, match="Chybny chromozom"):
        pellisor.Circuit.parse("{2,1,1,1,2,1,-1}([2]0,7,0)(2)")
    with pytest.raises(pellisor.Error, match="Soubor nelze otevrit"):
        pellisor.load(str(tmp_path / "none.chr"))
    with pytest.raises(pellisor.Error, match="neexistuje"):
        pellisor.Assignment.from_ini(str(tmp_path / "none.ini"))
    with pytest.raises(pellisor.Error, match="9 vstupy"):
        mux.filter3x3(np.zeros((4, 4), np.uint8))
    # set.ini keeps the assignment in section Funkce, genes f0 ... f31.
    (tmp_path / "set.ini").write_text("[Funkce]\nf0=3\nf5=51\n")
    assert pellisor.Assignment.from_ini(str(tmp_path / "set.ini")) == pellisor.Assignment({0: 3, 5: 51})
    assert pellisor.Assignment.default().identifiers == {gene: 0 for gene in range(32)}
