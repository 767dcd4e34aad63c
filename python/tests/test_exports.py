"""Every to_* gives the bytes the program writes for the same circuit."""

import pathlib
import random

import pytest

import pellisor
from random_circuits import random_line
from agreement import run_program

EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples"
SWITCHES = ["-o:dot", "-o:vhd", "-o:v", "-o:c", "-o:ps", "-o:svg"]


def texts(circuit, name, file_name=None):
    """What the module gives, by the file the program writes for `name`.chr."""
    named = {} if file_name is None else {"file_name": file_name}
    encoded = {
        ".dot": circuit.to_dot(**named),
        ".vhd": circuit.to_vhdl(**named),
        ".v": circuit.to_verilog(**named),
        ".c": circuit.to_c(name, **named),
        ".h": circuit.to_c_header(name, **named),
    }
    result = {suffix: text.encode("utf-8", "surrogateescape") for suffix, text in encoded.items()}
    result[".ps"] = circuit.to_eps()
    result[".svg"] = circuit.to_svg().encode("utf-8", "surrogateescape")
    return result


def assert_same_files(directory, name, expected):
    for suffix, text in expected.items():
        assert (directory / (name + suffix)).read_bytes() == text, name + suffix


def test_random_circuits_export_as_the_program_writes_them(tmp_path):
    rng = random.Random(19)
    for k in range(6):
        line = random_line(rng, rng.randint(1, 9), rng.randint(1, 4), rng.randint(1, 5), rng.randint(1, 3), 2, 16)
        name = f"random{k}"
        # Without a description line, as a parsed circuit has none.
        (tmp_path / (name + ".chr")).write_bytes(line.encode() + b"\r\n")
        run_program(tmp_path, name + ".chr", *SWITCHES, f"-w:{name}.out.chr")
        circuit = pellisor.Circuit.parse(line)
        expected = texts(circuit, name, file_name=name + ".chr")
        expected[".out.chr"] = circuit.to_chr().encode()
        assert_same_files(tmp_path, name, expected)


@pytest.mark.parametrize("example", ["adder.chr", "median3x3.chr", "adder_rca8.cgp", "median9.cha"])
def test_examples_export_as_the_program_writes_them(tmp_path, example):
    source = tmp_path / example
    source.write_bytes((EXAMPLES / example).read_bytes())
    name = source.stem
    run_program(tmp_path, example, *SWITCHES, f"-w:{name}.out.chr")
    circuit = pellisor.load(str(source))
    assignment = circuit.assignment
    expected = texts(circuit, name, file_name=example)
    if assignment is not None:
        expected[".dot"] = circuit.to_dot(assignment=assignment, file_name=example).encode("utf-8", "surrogateescape")
        expected[".c"] = circuit.to_c(name, assignment=assignment, file_name=example).encode("utf-8", "surrogateescape")
        expected[".ps"] = circuit.to_eps(assignment=assignment)
        expected[".svg"] = circuit.to_svg(assignment=assignment).encode("utf-8", "surrogateescape")
    expected[".out.chr"] = circuit.to_chr().encode("utf-8", "surrogateescape")
    assert_same_files(tmp_path, name, expected)
