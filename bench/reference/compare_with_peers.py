#!/usr/bin/python3
"""The project's CMA-ES and NEAT beside the reference libraries, on the same plain problems.

Runs build/bench/plain_problem_runs (the project's CMA-ES and NEAT; built when
KINETARIUM_BENCH is ON) and, when they can be imported, pycma (its author's CMA-ES) and
neat-python, from ../shared/peers/python beside the project or from PYTHONPATH, unmodified.
Prints the evaluations to target side by side: median, quartiles and failures over the seeds.
Without one of the libraries it says so and runs only the project's side.

The same problems, starts, targets and budgets for both sides:
- CMA-ES: sphere sum x_i^2, Rosenbrock sum 100 (x_i^2 - x_(i+1))^2 + (x_i - 1)^2, and the
  axis-parallel ellipsoid sum 1e6^((i-1)/(n-1)) x_i^2 (condition 1e6), at n = 10, 60, 200;
  the default population 4 + floor(3 ln n) (both sides' default); start mean (1, ..., 1) for
  the sphere and the ellipsoid, the origin for Rosenbrock; initial sigma 0.3; target
  f < 1e-8, counted at the first candidate below it in the order asked; budget 1,000 n
  evaluations on the sphere, 10,000 n on the others (a run that has not reached the target
  by then is a failure). The project's full and separable variants against pycma's default
  and its 'CMA_diagonal': True mode; seeds 1-25 (each side has its own generator, so equal
  seeds pair no draws). The full variants at n = 200 on Rosenbrock and the ellipsoid take
  hours (about 10^6 evaluations a run, an eigendecomposition every few generations).
- NEAT: XOR with 150 genomes, solved (the NEAT paper's criterion) when a network puts all
  four cases on the right side of 0.5; evaluations counted up to the first network that
  solves it, at most 300 generations; seeds 1-40. neat-python runs with its own XOR example's
  configuration (examples/xor/config-feedforward, population 150) and fitness; the project's
  NEAT with its defaults and the paper's fitness (tests/support/NeatXor.h).

  /usr/bin/python3 bench/reference/compare_with_peers.py [--build build] [--seeds 25]
      [--neat-seeds 40] [--dims 10,60,200] [--functions sphere,rosenbrock,ellipsoid]
      [--variants full,separable] [--no-neat] [--no-cmaes]
"""

import argparse
import warnings
import os
import random
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = os.path.dirname(os.path.dirname(HERE))
PEERS = os.path.join(os.path.dirname(PROJECT), "shared", "peers", "python")

START = {"sphere": 1.0, "rosenbrock": 0.0, "ellipsoid": 1.0}
SIGMA = 0.3
TARGET = 1e-8
BUDGET_PER_N = {"sphere": 1000, "rosenbrock": 10000, "ellipsoid": 10000}
NEAT_POPULATION = 150
NEAT_GENERATIONS = 300


def import_peers():
    """pycma and neat-python from PYTHONPATH or the shared folder; None for a missing one."""
    if os.path.isdir(PEERS) and PEERS not in sys.path:
        sys.path.append(PEERS)
    found = {}
    for name in ("cma", "neat"):
        try:
            with warnings.catch_warnings():
                warnings.simplefilter("ignore")
                module = __import__(name)
            if name == "cma" and not hasattr(module, "CMAEvolutionStrategy"):
                raise ImportError("pycma without numpy offers only its pure-Python subset")
            found[name] = module
        except ImportError as error:
            print(f"note: {name} cannot be imported ({error}); only the project's side runs", file=sys.stderr)
            found[name] = None
    return found


def f_sphere(x):
    return sum(v * v for v in x)


def f_rosenbrock(x):
    return sum(100.0 * (x[i] * x[i] - x[i + 1]) ** 2 + (x[i] - 1.0) ** 2 for i in range(len(x) - 1))


def f_ellipsoid(x):
    n = len(x)
    return sum(1e6 ** (i / (n - 1.0)) * x[i] * x[i] for i in range(n))


def vectorised(name):
    import numpy as np

    def sphere(x):
        return float(np.dot(x, x))

    def rosenbrock(x):
        return float(np.sum(100.0 * (x[:-1] ** 2 - x[1:]) ** 2 + (x[:-1] - 1.0) ** 2))

    def ellipsoid(x):
        n = len(x)
        return float(np.dot(1e6 ** (np.arange(n) / (n - 1.0)), x * x))

    return {"sphere": sphere, "rosenbrock": rosenbrock, "ellipsoid": ellipsoid}[name]


def ours(driver, args):
    out = subprocess.run(["nice", "-n", "19", driver] + [str(a) for a in args], check=True,
                         capture_output=True, text=True).stdout
    return [int(line.split()[1]) for line in out.splitlines()]


def pycma_run(cma, function, n, separable, seed):
    f = vectorised(function)
    budget = BUDGET_PER_N[function] * n
    options = {"seed": seed, "CMA_diagonal": separable, "verbose": -9, "verb_log": 0, "verb_disp": 0,
               "maxfevals": budget}
    es = cma.CMAEvolutionStrategy([START[function]] * n, SIGMA, options)
    evaluations = 0
    while evaluations < budget:
        candidates = es.ask()
        costs = []
        for x in candidates:
            costs.append(f(x))
            evaluations += 1
            if costs[-1] < TARGET:
                return evaluations
        es.tell(candidates, costs)
    return -1


def neat_python_run(neat, seed):
    config = neat.Config(neat.DefaultGenome, neat.DefaultReproduction, neat.DefaultSpeciesSet,
                         neat.DefaultStagnation, os.path.join(PEERS, "examples", "xor", "config-feedforward"))
    cases = [((0.0, 0.0), 0.0), ((0.0, 1.0), 1.0), ((1.0, 0.0), 1.0), ((1.0, 1.0), 0.0)]
    count = [0]

    class Solved(Exception):
        pass

    def evaluate(genomes, config):
        for _, genome in genomes:
            net = neat.nn.FeedForwardNetwork.create(genome, config)
            genome.fitness = 4.0
            solved = True
            for inputs, expected in cases:
                output = net.activate(inputs)[0]
                genome.fitness -= (output - expected) ** 2
                solved = solved and (output > 0.5) == (expected > 0.5)
            count[0] += 1
            if solved:
                raise Solved()

    random.seed(seed)
    population = neat.Population(config)
    try:
        population.run(evaluate, NEAT_GENERATIONS)
    except Solved:
        return count[0]
    return -1


def quartiles(values):
    """Median and quartiles over all runs, a failure counting as more than any success."""
    ranked = sorted(v if v > 0 else float("inf") for v in values)

    def at(q):
        position = q * (len(ranked) - 1)
        low, high = int(position), min(int(position) + 1, len(ranked) - 1)
        if ranked[high] == float("inf"):
            return ranked[low] if position == low else float("inf")
        return ranked[low] + (ranked[high] - ranked[low]) * (position - low)

    return at(0.25), at(0.5), at(0.75)


def ratio(mine, theirs):
    finite = lambda v: v not in (0, float("inf"))
    return f"{mine / theirs:.2f}" if finite(mine) and finite(theirs) else "-"


def cell(values):
    q1, median, q3 = quartiles(values)
    show = lambda v: "-" if v == float("inf") else f"{v:,.0f}"
    failures = sum(1 for v in values if v <= 0)
    return f"{show(median)} [{show(q1)}, {show(q3)}]", failures, median


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(PROJECT, "build"))
    parser.add_argument("--seeds", type=int, default=25)
    parser.add_argument("--neat-seeds", type=int, default=40)
    parser.add_argument("--dims", default="10,60,200")
    parser.add_argument("--functions", default="sphere,rosenbrock,ellipsoid")
    parser.add_argument("--variants", default="full,separable")
    parser.add_argument("--no-neat", action="store_true")
    parser.add_argument("--no-cmaes", action="store_true")
    args = parser.parse_args()
    # pycma warns about large samples on the ellipsoid; the counts are what is compared.
    warnings.simplefilter("ignore")
    driver = os.path.join(args.build, "bench", "plain_problem_runs")
    if not os.access(driver, os.X_OK):
        sys.exit(f"{driver} is missing: build the target plain_problem_runs (KINETARIUM_BENCH=ON)")
    peers = import_peers()
    seeds = list(range(1, args.seeds + 1))

    if not args.no_cmaes:
        print("| CMA-ES | n | ours: median [quartiles] | failures | pycma: median [quartiles] | failures | ours / pycma |")
        print("| --- | --- | --- | --- | --- | --- | --- |")
        for variant in args.variants.split(","):
            for function in args.functions.split(","):
                for n in (int(d) for d in args.dims.split(",")):
                    budget = BUDGET_PER_N[function] * n
                    mine = ours(driver, ["cmaes", variant, function, n, START[function], SIGMA, TARGET, budget] + seeds)
                    text, failures, median = cell(mine)
                    row = f"| {variant} {function} | {n} | {text} | {failures} |"
                    if peers["cma"]:
                        theirs = [pycma_run(peers["cma"], function, n, variant == "separable", s) for s in seeds]
                        ptext, pfailures, pmedian = cell(theirs)
                        row += f" {ptext} | {pfailures} | {ratio(median, pmedian)} |"
                    else:
                        row += " not run | | |"
                    print(row, flush=True)

    if not args.no_neat:
        neat_seeds = list(range(1, args.neat_seeds + 1))
        mine = ours(driver, ["neat-xor", NEAT_POPULATION, NEAT_GENERATIONS] + neat_seeds)
        text, failures, median = cell(mine)
        print()
        print("| NEAT, XOR | ours: median [quartiles] | failures | neat-python: median [quartiles] | failures | ours / neat-python |")
        print("| --- | --- | --- | --- | --- | --- |")
        row = f"| evaluations | {text} | {failures} |"
        if peers["neat"]:
            theirs = [neat_python_run(peers["neat"], s) for s in neat_seeds]
            ptext, pfailures, pmedian = cell(theirs)
            row += f" {ptext} | {pfailures} | {ratio(median, pmedian)} |"
        else:
            row += " not run | | |"
        print(row, flush=True)


if __name__ == "__main__":
    main()
