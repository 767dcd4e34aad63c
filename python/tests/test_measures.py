"""noise, quality and error give the program's numbers for the same inputs."""

import json
import random

import numpy as np
import pytest

import pellisor
from random_circuits import random_line
from agreement import read_bmp, run_program, write_bmp


def figures(report):
    return {key: report[key] for key in ("mdpp", "psnr", "ssim", "max_error", "changed")}


@pytest.mark.parametrize("kind, level, seed", [("sp", 0.1, 7), ("rv", 0.3, 2**64 - 1), ("gauss", 12.5, 3)])
def test_noise_and_quality_equal_the_programs_run(tmp_path, kind, level, seed):
    rng = np.random.default_rng(seed % 1000)
    reference = rng.integers(0, 256, (37, 53, 3), dtype=np.uint8)
    write_bmp(tmp_path / "clean.bmp", reference)
    line = random_line(random.Random(seed), 9, 1, 6, 2, 2, 8)
    (tmp_path / "filter.chr").write_bytes(line.encode() + b"\r\n")
    run_program(tmp_path, "filter.chr", "-ref:clean.bmp", f"-q:{kind}:{level}:{seed}")

    noisy = pellisor.noise(reference, kind, level, seed)
    assert noisy.dtype == np.uint8 and noisy.shape == reference.shape
    assert np.array_equal(noisy, read_bmp(tmp_path / "filter.noisy.bmp"))
    report = json.loads((tmp_path / "filter.quality.json").read_text())
    filtered = read_bmp(tmp_path / "filter.flt.bmp")
    assert pellisor.quality(filtered, reference) == figures(report["filtered"])
    assert pellisor.quality(noisy, reference) == figures(report["input"])


def test_ssim_agrees_with_an_independent_implementation():
    metrics = pytest.importorskip("skimage.metrics")
    rng = np.random.default_rng(5)
    reference = rng.integers(0, 256, (40, 44, 3), dtype=np.uint8)
    noisy = pellisor.noise(reference, "gauss", 20.0, 1)
    inner = (slice(1, -1), slice(1, -1))
    expected = np.mean([
        metrics.structural_similarity(noisy[inner + (c,)], reference[inner + (c,)], gaussian_weights=True,
                                      sigma=1.5, use_sample_covariance=False, data_range=255)
        for c in range(3)])
    assert pellisor.quality(noisy, reference)["ssim"] == pytest.approx(expected, abs=1e-4)


def test_gray_pictures():
    rng = np.random.default_rng(8)
    gray = rng.integers(0, 256, (16, 21), dtype=np.uint8)
    # Noise runs over the samples in memory order, so a gray picture is noised as its bytes are.
    noisy = pellisor.noise(gray, "sp", 0.5, 4)
    assert np.array_equal(noisy, pellisor.noise(gray.reshape(16, 7, 3), "sp", 0.5, 4).reshape(16, 21))
    # Quality sees a gray picture as the colour picture with its gray in every channel.
    colour = np.repeat(gray[:, :, None], 3, axis=2)
    assert pellisor.quality(noisy, gray) == pellisor.quality(np.repeat(noisy[:, :, None], 3, axis=2), colour)
    assert pellisor.quality(gray, gray)["psnr"] is None
    with pytest.raises(pellisor.Error if hasattr(pellisor, "Error") else Exception):
        pellisor.noise(gray, "pink", 0.1, 1)
    with pytest.raises(ValueError):
        pellisor.quality(np.zeros((4, 4, 2), np.uint8), np.zeros((4, 4, 2), np.uint8))


@pytest.mark.parametrize("op, widths, inputs, outputs", [("add", "3,4", 7, 5), ("mul", [3, 3], 6, 6),
                                                          ("sub", "13,13", 26, 14), ("median", None, 5, 1)])
def test_error_equals_the_programs_report(tmp_path, op, widths, inputs, outputs):
    line = random_line(random.Random(inputs), inputs, outputs, 5, 3, 2, 8)
    (tmp_path / "circuit.chr").write_bytes(line.encode() + b"\r\n")
    option = op if widths is None else op + ":" + (widths if isinstance(widths, str) else ",".join(map(str, widths)))
    run_program(tmp_path, "circuit.chr", "-err:" + option)
    report = json.loads((tmp_path / "circuit.error.json").read_text())
    report["histogram"] = {int(error): count for error, count in report["histogram"].items()}
    assert pellisor.Circuit.parse(line).error(op, widths) == report
