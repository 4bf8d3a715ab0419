#!/usr/bin/python3
"""neat-python evolves its own networks on `collect`, driving the arena step by step.

Each generation the arena is reset and the 20 genomes' networks steer its 20 vehicles: every
step each network turns its vehicle's sensor readings into its two outputs (turn, speed),
and a genome's fitness is the items its vehicle collected in the generation. The settings
are in neat_collect.cfg beside this file. Needs neat-python (`neat`) on PYTHONPATH:

    PYTHONPATH=build/python:../shared/peers/python /usr/bin/python3 examples/python/neat_collect.py
"""

import argparse
import math
import os
import sys

import numpy as np

import kinetarium

CONFIG = os.path.join(os.path.dirname(os.path.abspath(__file__)), "neat_collect.cfg")


def plain_sigmoid(z):
    """The project's activation, without neat-python's fivefold steepening."""
    return 1.0 / (1.0 + math.exp(-max(-60.0, min(60.0, z))))


def load_config(neat, path=CONFIG):
    config = neat.Config(neat.DefaultGenome, neat.DefaultReproduction, neat.DefaultSpeciesSet,
                         neat.DefaultStagnation, path)
    config.genome_config.add_activation("plain", plain_sigmoid)
    return config


def run(generations=50, generation_time=20.0, seed=1, report=None):
    """One run; returns the best fitness of each generation."""
    import neat

    config = load_config(neat)
    arena = kinetarium.Arena(task="collect", vehicles=config.pop_size, generation_time=generation_time)
    arena_seeds = np.random.default_rng(seed).integers(2**32, size=generations)
    best = []

    def evaluate(genomes, config):
        if len(genomes) > arena.vehicles:
            raise RuntimeError(f"neat-python made {len(genomes)} genomes for the arena's {arena.vehicles} vehicles")
        networks = [neat.nn.FeedForwardNetwork.create(genome, config) for _, genome in genomes]
        # After an extinction neat-python may hand over fewer genomes than vehicles: the
        # vehicles left over stand still.
        idle = [0.5, 0.5]
        observations = arena.reset(seed=int(arena_seeds[len(best)]))
        fitness = np.zeros(arena.vehicles)
        while True:
            actions = np.array([networks[i].activate(observations[i]) if i < len(networks) else idle
                                for i in range(arena.vehicles)], dtype=np.float32)
            observations, rewards, terminated, truncated, _ = arena.step(actions)
            fitness += rewards
            if truncated.all():
                break
        for i, (_, genome) in enumerate(genomes):
            genome.fitness = float(fitness[i])
        best.append(float(fitness[:len(networks)].max()))
        if report:
            report(f"Generation {len(best)}. Best vehicle fitness {best[-1]:g}")

    population = neat.Population(config, seed=seed)
    population.run(evaluate, generations)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--generations", type=int, default=int(os.environ.get("KINETARIUM_EXAMPLE_GENERATIONS", 50)))
    parser.add_argument("--generation-time", type=float,
                        default=float(os.environ.get("KINETARIUM_EXAMPLE_GENERATION_TIME", 20.0)))
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    if args.generations < 1:
        sys.exit("--generations must be at least 1")
    run(args.generations, args.generation_time, args.seed, report=print)


if __name__ == "__main__":
    main()
