#!/usr/bin/env python3
"""The Python module against the C++ paths it wraps, in the same run.

- evaluate: one million vectors through Circuit.evaluate against the batched evaluation of script_bench
  (BM_EvaluateBatched: the same circuit, a million vectors gathered into lanes); at least 0.8 times
  its speed.
- filter3x3: the median of nine on a 1920 x 1080 picture against filter_bench's median_compiled (the
  same circuit through filterImage3x3); at least 0.9 times its speed.

    PYTHONPATH=build/python python3 bench/python_bench.py [BENCH_DIR]

BENCH_DIR holds script_bench and filter_bench (default build/bench). Times are the fastest of several
runs, for a machine that may be shared.
"""

import json
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import numpy as np

import pellisor

BENCH = Path(sys.argv[1] if len(sys.argv) > 1 else "build/bench")


def fastest(run, repeats):
    best = float("inf")
    for _ in range(repeats):
        start = time.perf_counter()
        run()
        best = min(best, time.perf_counter() - start)
    return best


def cpp_seconds(program, name, repeats=5):
    """The fastest of a few repetitions of one Google Benchmark (a name up to its /real_time), in seconds."""
    with tempfile.TemporaryDirectory() as directory:
        out = Path(directory) / "results.json"
        subprocess.run(
            [str(BENCH / program), f"--benchmark_filter=^{name}/", f"--benchmark_repetitions={repeats}",
             f"--benchmark_out={out}", "--benchmark_out_format=json"],
            check=True, capture_output=True, text=True)
        runs = [run for run in json.loads(out.read_text())["benchmarks"] if run.get("run_type") == "iteration"]
    if not runs:
        raise RuntimeError(f"{program} has no benchmark {name}")
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    return min(run["real_time"] * scale[run["time_unit"]] for run in runs)


def median_of_nine_line():
    """filter_bench's median: 19 compare-exchange steps, each a MIN block (gene 0) and a MAX block (gene 1)."""
    steps = [(1, 2), (4, 5), (7, 8), (0, 1), (3, 4), (6, 7), (1, 2), (4, 5), (7, 8), (0, 3), (5, 8), (4, 7),
             (3, 6), (1, 4), (2, 5), (4, 7), (4, 2), (6, 4), (4, 2)]
    position = list(range(9))
    line, next_block = "{9,1,19,2,2,1,-1}", 9
    for a, b in steps:
        line += f"({position[a]},{position[b]},0)({position[a]},{position[b]},1)"
        position[a], position[b] = next_block, next_block + 1
        next_block += 2
    return line + f"({position[4]})"


def report(name, python, cpp, target):
    ratio = cpp / python
    verdict = "met" if ratio >= target else "NOT met"
    print(f"  {name}: Python {python * 1e3:.2f} ms, C++ {cpp * 1e3:.2f} ms: {ratio:.2f}x (target {target}x: {verdict})")


def main():
    line, functions = subprocess.run([str(BENCH / "script_bench"), "--circuit"], check=True, capture_output=True,
                                     text=True).stdout.splitlines()
    circuit = pellisor.Circuit.parse(line)
    assignment = pellisor.Assignment({gene: int(i) for gene, i in enumerate(functions.split())})
    vectors = np.random.default_rng(11).integers(0, 256, size=(1_000_000, circuit.inputs), dtype=np.int32)
    circuit.evaluate(vectors[:1000], assignment=assignment)  # translated once, as the C++ run does
    python_evaluate = fastest(lambda: circuit.evaluate(vectors, assignment=assignment), 5)
    cpp_evaluate = cpp_seconds("script_bench", "BM_EvaluateBatched")

    median = pellisor.Circuit.parse(median_of_nine_line())
    median_functions = pellisor.Assignment({0: 11, 1: 10})
    picture = np.random.default_rng(1).integers(0, 256, size=(1080, 1920, 3), dtype=np.uint8)
    median.filter3x3(picture[:8], assignment=median_functions)
    python_filter = fastest(lambda: median.filter3x3(picture, assignment=median_functions), 20)
    cpp_filter = cpp_seconds("filter_bench", "compiledBenchmark/median_compiled")

    print("Ratios (C++ time / Python time, same run):")
    report("evaluate, 10^6 vectors", python_evaluate, cpp_evaluate, 0.8)
    report("filter3x3, 1920 x 1080", python_filter, cpp_filter, 0.9)


if __name__ == "__main__":
    main()
