#!/usr/bin/env python3
"""The novelty study's tables. For each study configuration on the maze (run folders given as STUDY_DIR/runs), the first
generation in which a vehicle reached the goal in each seed (the CSV's reached_goal column),
summarised; then a two-sided Mann-Whitney U test (normal approximation with the tie
correction) of the first generations of each pair given with --pair A B. With --coverage,
instead, the mean coverage, QD-score and best fitness over the seeds of MAP-Elites studies at
generations 1, 10, 50, 100, 200 and 300."""
import argparse
import csv
import glob
import math
import os
import re


def first_generations(study_dir):
    configs = {}
    for path in sorted(glob.glob(os.path.join(study_dir, "runs", "*-seed*.csv"))):
        config = re.sub(r"-seed\d+\.csv$", "", os.path.basename(path))
        name = os.path.basename(os.path.normpath(study_dir)) + "/" + config
        first = None
        with open(path, newline="") as f:
            for row in csv.DictReader(f):
                if float(row["reached_goal"]) > 0:
                    first = int(row["generation"])
                    break
        configs.setdefault(name, []).append(first)
    return configs


def mann_whitney(a, b):
    pooled = sorted([(v, 0) for v in a] + [(v, 1) for v in b])
    n = len(pooled)
    ranks, ties, i = [0.0] * n, 0, 0
    while i < n:
        j = i
        while j + 1 < n and pooled[j + 1][0] == pooled[i][0]:
            j += 1
        for k in range(i, j + 1):
            ranks[k] = (i + j) / 2 + 1
        ties += (j - i + 1) ** 3 - (j - i + 1)
        i = j + 1
    n1, n2 = len(a), len(b)
    u = sum(r for r, (_, side) in zip(ranks, pooled) if side == 0) - n1 * (n1 + 1) / 2
    sd = math.sqrt(n1 * n2 / 12 * ((n + 1) - ties / (n * (n - 1))))
    return u, math.erfc(abs(u - n1 * n2 / 2) / sd / math.sqrt(2))


def coverage_table(studies):
    print("study,generation,seeds,coverage,qd_score,best_fitness")
    for study in studies:
        rows = {}
        for path in glob.glob(os.path.join(study, "runs", "*-seed*.csv")):
            with open(path, newline="") as f:
                for row in csv.DictReader(f):
                    if int(row["generation"]) in (1, 10, 50, 100, 200, 300):
                        rows.setdefault(int(row["generation"]), []).append(
                            [float(row[k]) for k in ("coverage", "qd_score", "best_fitness")])
        for generation, values in sorted(rows.items()):
            n = len(values)
            means = [sum(v[k] for v in values) / n for k in range(3)]
            print(f"{os.path.basename(os.path.normpath(study))},{generation},{n},{means[0]:.3f},{means[1]:.1f},{means[2]:.2f}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("studies", nargs="+")
    parser.add_argument("--pair", nargs=2, action="append", default=[])
    parser.add_argument("--coverage", action="store_true")
    args = parser.parse_args()
    if args.coverage:
        coverage_table(args.studies)
        return
    configs = {}
    for study in args.studies:
        configs.update(first_generations(study))
    print("configuration,seeds,seeds_reached,mean_first,median_first,within_25,within_50,within_100,latest")
    for name, firsts in configs.items():
        reached = sorted(g for g in firsts if g is not None)
        if not reached:
            print(f"{name},{len(firsts)},0,,,0,0,0,")
            continue
        mean = sum(reached) / len(reached)
        median = reached[(len(reached) - 1) // 2]
        within = [sum(g <= limit for g in reached) for limit in (25, 50, 100)]
        print(f"{name},{len(firsts)},{len(reached)},{mean:.1f},{median},{within[0]},{within[1]},{within[2]},{reached[-1]}")
    for a, b in args.pair:
        if any(g is None for g in configs[a] + configs[b]):
            print(f"# {a} vs {b}: not every seed reached the goal; no test")
            continue
        u, p = mann_whitney(configs[a], configs[b])
        print(f"# {a} vs {b}: Mann-Whitney U = {u:.1f}, p = {p:.3f}")


if __name__ == "__main__":
    main()
