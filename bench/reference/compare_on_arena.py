#!/usr/bin/python3
"""The project's CMA-ES and NEAT beside pycma and neat-python on the arena's `collect` task.

Both sides evolve 20 vehicles for the same generations in the same arena (20 s generations,
60 items): the project's `cmaes` and `neat` through kinetarium-study (its defaults), pycma
through Arena.evaluate (the project's layered 4-4-2 network; popsize 20, sigma0 1.16 = the
project's CMA-ES sigma, a start drawn like the project's template network) and neat-python
through Arena.step (examples/python/neat_collect.cfg, mirroring the project's NEAT). The
Python runs are examples/python/cma_collect.py's and neat_collect.py's own `run`. Each side
draws its own arenas, so equal seeds pair no draws.

Writes to --out (default docs/python-peers): project/ (the study's folder), python/runs/
(one CSV per run: generation,best_fitness), final-best.csv (each run's last best), summary.csv (per side the mean final best with
its 95% interval and the mean over the last tenth of the generations), comparison.csv
(Welch's test of the final best per pair), and prints the table. Complete runs already
there are kept, so an interrupted comparison resumes.

  PYTHONPATH=build/python /usr/bin/python3 bench/reference/compare_on_arena.py [--build build]
      [--seeds 20] [--generations 100] [--jobs 1] [--out docs/python-peers]
"""

import argparse
import csv
import multiprocessing
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(PROJECT, "examples", "python"))

from compare_with_peers import import_peers  # noqa: E402
from peer_statistics import mean_interval, welch  # noqa: E402

SIDES = [("cmaes", "project"), ("pycma", "python"), ("neat", "project"), ("neat-python", "python")]
PAIRS = [("cmaes", "pycma"), ("neat", "neat-python"), ("cmaes", "neat"), ("pycma", "neat-python")]


def project_side(build, out, seeds, generations, jobs):
    study = os.path.join(out, "project")
    os.makedirs(out, exist_ok=True)
    subprocess.run(["nice", "-n", "19", os.path.join(build, "kinetarium-study"), "--vary", "method=cmaes,neat",
                    "--seeds", f"1-{seeds}", "--generations", str(generations), "--jobs", str(jobs),
                    "--out", os.path.abspath(study)], cwd=build, check=True, stdout=subprocess.DEVNULL)
    return {method: [read_best(os.path.join(study, "runs", f"method-{method}-seed{s}.csv")) for s in range(1, seeds + 1)]
            for method in ("cmaes", "neat")}


def read_best(path):
    with open(path) as f:
        return [float(row["best_fitness"]) for row in csv.DictReader(f)]


def python_run(task):
    side, seed, generations, path = task
    os.nice(19)
    if side == "pycma":
        from cma_collect import run
        best = run(generations=generations, seed=seed)
    else:
        from neat_collect import run
        best = run(generations=generations, seed=seed)
    with open(path + ".partial", "w") as f:
        f.write("generation,best_fitness\n")
        f.writelines(f"{g},{b:.6f}\n" for g, b in enumerate(best, 1))
    os.replace(path + ".partial", path)


def python_side(out, seeds, generations, jobs):
    folder = os.path.join(out, "python", "runs")
    os.makedirs(folder, exist_ok=True)
    path = lambda side, seed: os.path.join(folder, f"{side}-seed{seed}.csv")  # noqa: E731
    tasks = [(side, s, generations, path(side, s)) for side in ("pycma", "neat-python") for s in range(1, seeds + 1)
             if not (os.path.exists(path(side, s)) and len(read_best(path(side, s))) == generations)]
    with multiprocessing.Pool(jobs) as pool:
        for _ in pool.imap_unordered(python_run, tasks):
            pass
    return {side: [read_best(path(side, s)) for s in range(1, seeds + 1)] for side in ("pycma", "neat-python")}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(PROJECT, "build"))
    parser.add_argument("--seeds", type=int, default=20)
    parser.add_argument("--generations", type=int, default=100)
    parser.add_argument("--jobs", type=int, default=1)
    parser.add_argument("--out", default=os.path.join(PROJECT, "docs", "python-peers"))
    args = parser.parse_args()
    if min(args.seeds, args.generations, args.jobs) < 1:
        sys.exit("--seeds, --generations and --jobs must be at least 1")
    args.build, args.out = os.path.abspath(args.build), os.path.abspath(args.out)
    peers = import_peers()
    if not (peers["cma"] and peers["neat"]):
        sys.exit("pycma and neat-python are both needed (../shared/peers/python or PYTHONPATH)")
    sys.path.insert(0, os.path.join(args.build, "python"))
    import kinetarium  # noqa: F401  (fails here, clearly, before any run)

    runs = project_side(args.build, args.out, args.seeds, args.generations, args.jobs)
    runs.update(python_side(args.out, args.seeds, args.generations, args.jobs))
    final = {side: [best[-1] for best in runs[side]] for side, _ in SIDES}
    tenth = (args.generations + 9) // 10

    with open(os.path.join(args.out, "final-best.csv"), "w") as f:
        f.write("side,method,seed,final_best\n")
        for side, origin in SIDES:
            f.writelines(f"{origin},{side},{s},{v:.6f}\n" for s, v in enumerate(final[side], 1))
    with open(os.path.join(args.out, "summary.csv"), "w") as f:
        f.write("side,method,seeds,generations,final_best_mean,final_best_ci95_low,final_best_ci95_high,"
                "last_tenth_best_mean\n")
        for side, origin in SIDES:
            mean, low, high = mean_interval(final[side])
            last = sum(sum(b[-tenth:]) / tenth for b in runs[side]) / args.seeds
            f.write(f"{origin},{side},{args.seeds},{args.generations},{mean:.6f},{low:.6f},{high:.6f},{last:.6f}\n")
    with open(os.path.join(args.out, "comparison.csv"), "w") as f:
        f.write("method_a,method_b,final_best_mean_a,final_best_mean_b,welch_t,welch_df,p_value\n")
        for a, b in PAIRS:
            t, degrees, p = welch(final[a], final[b])
            f.write(f"{a},{b},{sum(final[a]) / args.seeds:.6f},{sum(final[b]) / args.seeds:.6f},"
                    f"{t:.6f},{degrees:.6f},{p:.8f}\n")

    print(f"| method | final best, mean [95%] ({args.seeds} seeds, {args.generations} generations of 20) | "
          "last tenth's best, mean |")
    print("| --- | --- | --- |")
    for side, origin in SIDES:
        mean, low, high = mean_interval(final[side])
        last = sum(sum(b[-tenth:]) / tenth for b in runs[side]) / args.seeds
        print(f"| {side} ({origin}) | {mean:.2f} [{low:.2f}, {high:.2f}] | {last:.2f} |")
    print()
    for a, b in PAIRS:
        t, degrees, p = welch(final[a], final[b])
        print(f"Welch {a} vs {b}: t = {t:.3f}, df = {degrees:.1f}, p = {p:.3g}")


if __name__ == "__main__":
    main()
