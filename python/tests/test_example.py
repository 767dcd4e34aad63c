"""The evolution example runs as a researcher would run it, and the pictures it reads come back whole."""

import os
import subprocess
import sys
from pathlib import Path

import numpy as np

import pellisor

ROOT = Path(__file__).resolve().parents[2]


def test_the_evolution_example_improves_and_writes_its_circuit(tmp_path):
    result = subprocess.run(
        [sys.executable, str(ROOT / "examples" / "python" / "evolve_filter.py"), "--generations", "15", "--out",
         str(tmp_path)],
        check=True, capture_output=True, text=True, env=dict(os.environ))
    mdpp = [float(line.rsplit(" ", 1)[1]) for line in result.stdout.splitlines() if line.startswith("generation")]
    assert len(mdpp) == 15
    assert all(later <= earlier for earlier, later in zip(mdpp, mdpp[1:]))  # the parent is never worse
    written = pellisor.load(str(tmp_path / "best_filter.chr"))
    assert (written.inputs, written.outputs) == (9, 1)
    assert (tmp_path / "best_filter.svg").read_text(encoding="utf-8").lstrip().startswith("<")


def test_pictures_written_and_read_back_are_the_same(tmp_path):
    rng = np.random.default_rng(3)
    colour = rng.integers(0, 256, size=(7, 5, 3), dtype=np.uint8)
    grey = rng.integers(0, 256, size=(4, 9), dtype=np.uint8)
    pellisor.write_picture(str(tmp_path / "colour.bmp"), colour)
    pellisor.write_picture(str(tmp_path / "grey.bmp"), grey)
    assert np.array_equal(pellisor.read_picture(str(tmp_path / "colour.bmp")), colour)
    assert np.array_equal(pellisor.read_picture(str(tmp_path / "grey.bmp")), np.repeat(grey[:, :, None], 3, axis=2))
    pellisor.write_picture(str(tmp_path / "colour.jpg"), colour, quality=95)
    assert pellisor.read_picture(str(tmp_path / "colour.jpg")).shape == colour.shape
