#!/usr/bin/python3
"""pycma optimises the project's layered network on `collect` through Arena.evaluate.

Each generation pycma proposes 20 genomes, the arena runs them as its 20 vehicles for one
generation in C++, and the items each collected are its fitness (pycma minimises, so it is
told the negated fitness). Needs pycma (`cma`) on PYTHONPATH, e.g. the project's peers folder:

    PYTHONPATH=build/python:../shared/peers/python /usr/bin/python3 examples/python/cma_collect.py
"""

import argparse
import os
import sys
import warnings

import numpy as np

import kinetarium

# The arena's population: one pycma candidate per vehicle.
VEHICLES = 20


def run(generations=50, generation_time=20.0, hidden_neurons=4, sigma0=1.16, seed=1, report=None):
    """One run; returns the best fitness of each generation."""
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # pycma's note that matplotlib is missing
        import cma
    arena = kinetarium.Arena(task="collect", vehicles=VEHICLES, generation_time=generation_time, seed=seed)
    genes = kinetarium.genome_length("collect", hidden_neurons)
    # The start mirrors the project's: a network drawn uniformly within the weight range (1).
    start = np.random.default_rng(seed).uniform(-1.0, 1.0, genes)
    es = cma.CMAEvolutionStrategy(start, sigma0, {"popsize": VEHICLES, "seed": seed, "verbose": -9})
    best = []
    for generation in range(generations):
        candidates = es.ask()
        fitness = arena.evaluate(np.array(candidates), hidden_neurons)
        es.tell(candidates, [-float(f) for f in fitness])
        best.append(float(np.max(fitness)))
        if report:
            report(f"Generation {generation + 1}. Best vehicle fitness {best[-1]:g}, sigma {es.sigma:.3g}")
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--generations", type=int, default=int(os.environ.get("KINETARIUM_EXAMPLE_GENERATIONS", 50)))
    parser.add_argument("--generation-time", type=float,
                        default=float(os.environ.get("KINETARIUM_EXAMPLE_GENERATION_TIME", 20.0)))
    parser.add_argument("--hidden-neurons", type=int, default=4)
    parser.add_argument("--sigma0", type=float, default=1.16)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    if args.generations < 1:
        sys.exit("--generations must be at least 1")
    run(args.generations, args.generation_time, args.hidden_neurons, args.sigma0, args.seed, report=print)


if __name__ == "__main__":
    main()
