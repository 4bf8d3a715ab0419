#!/usr/bin/python3
r"""The Python arena's cost beside kinetarium-batch's, in one run on one machine.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_speed.py --batch build/kinetarium-batch \
        [--bench build/bench/kinetarium_bench]

A default generation (20 vehicles, 60 items, 20 s, 4 hidden neurons): Arena.evaluate
against the batch run's wall_seconds per generation (aim: at most 10% slower); one
Arena.step of 20 vehicles from Python against the batch run's time per step (aim: at most
twice it). Each figure is the median of several rounds, so a busy moment weighs little."""

import argparse
import csv
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

import kinetarium


def batch_generation_seconds(batch, generations, seed):
    with tempfile.TemporaryDirectory() as folder:
        table = os.path.join(folder, "run.csv")
        batch = os.path.abspath(batch)
        subprocess.run([batch, "--seed", str(seed), "--generations", str(generations), "--csv", table],
                       check=True, capture_output=True, cwd=os.path.dirname(os.path.abspath(batch)))
        with open(table) as f:
            rows = list(csv.DictReader(f))
    return [float(row["wall_seconds"]) for row in rows], int(rows[0]["steps"])


def cpp_benchmark_seconds(program):
    """BM_DefaultGeneration and BM_SimulationStep of the C++ benchmarks, in seconds."""
    program = os.path.abspath(program)
    with tempfile.TemporaryDirectory() as folder:
        report = os.path.join(folder, "bench.json")
        # From the build folder, where the data files are; the engine's lines stay out of the report.
        subprocess.run([program, "--benchmark_filter=^BM_(DefaultGeneration|SimulationStep)$",
                        "--benchmark_out=" + report, "--benchmark_out_format=json", "--benchmark_repetitions=3",
                        "--benchmark_report_aggregates_only=true"],
                       check=True, capture_output=True, cwd=os.path.dirname(os.path.dirname(program)))
        with open(report) as f:
            output = f.read()
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    found = {}
    for entry in json.loads(output)["benchmarks"]:
        if entry.get("aggregate_name") == "median":
            found[entry["run_name"]] = entry["real_time"] * scale[entry["time_unit"]]
    return found["BM_DefaultGeneration"], found["BM_SimulationStep"]


def evaluate_seconds(generations, seed):
    arena = kinetarium.Arena(seed=seed)
    genomes = arena.initial_genomes()
    times = []
    for _ in range(generations):
        start = time.perf_counter()
        arena.evaluate(genomes, 4)
        times.append(time.perf_counter() - start)
    return times


def step_seconds(generations, seed):
    arena = kinetarium.Arena(seed=seed)
    actions = np.full((arena.vehicles, 2), 0.75, dtype=np.float32)
    times = []
    for _ in range(generations):
        arena.reset()
        start = time.perf_counter()
        for _ in range(arena.steps_per_generation):
            arena.step(actions)
        times.append((time.perf_counter() - start) / arena.steps_per_generation)
    return times


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--batch", required=True, help="the kinetarium-batch program")
    parser.add_argument("--generations", type=int, default=5, help="generations per round (default 5)")
    parser.add_argument("--bench", help="the C++ benchmarks (build/bench/kinetarium_bench), shown beside")
    parser.add_argument("--rounds", type=int, default=3, help="rounds of the three (default 3)")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()

    rounds = args.rounds
    batch, evaluate, step = [], [], []
    # Rounds taken in turn, so that a busy moment of the machine falls on all three alike.
    for _ in range(rounds):
        times, steps = batch_generation_seconds(args.batch, args.generations, args.seed)
        batch += times
        evaluate += evaluate_seconds(args.generations, args.seed)
        step += step_seconds(args.generations, args.seed)
    batch_generation = statistics.median(batch)
    evaluate_generation = statistics.median(evaluate)
    batch_step = batch_generation / steps
    python_step = statistics.median(step)
    print("default generation (20 vehicles, 60 items, 20 s, %d steps):" % steps)
    print("  kinetarium-batch   %8.1f ms per generation" % (batch_generation * 1e3))
    print("  Arena.evaluate     %8.1f ms per generation  (%+.1f%%, aim at most +10%%)"
          % (evaluate_generation * 1e3, 100.0 * (evaluate_generation / batch_generation - 1.0)))
    print("  kinetarium-batch   %8.1f us per step (with the networks)" % (batch_step * 1e6))
    print("  Arena.step         %8.1f us per step from Python  (x%.2f, aim at most x2)"
          % (python_step * 1e6, python_step / batch_step))
    if args.bench:
        generation, cpp_step = cpp_benchmark_seconds(args.bench)
        print("  BM_DefaultGeneration %6.1f ms   (Arena.evaluate %+.1f%%)"
              % (generation * 1e3, 100.0 * (evaluate_generation / generation - 1.0)))
        print("  BM_SimulationStep  %8.1f us   (Arena.step x%.2f)" % (cpp_step * 1e6, python_step / cpp_step))
    return 0


if __name__ == "__main__":
    sys.exit(main())
