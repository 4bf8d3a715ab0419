#!/usr/bin/python3
"""A random-action loop through the Gymnasium environment kinetarium/Collect-v0.

    PYTHONPATH=build/python:../shared/peers/python /usr/bin/python3 examples/python/random_gym.py
"""

import argparse
import os

import gymnasium

import kinetarium.gym  # noqa: F401  (registers kinetarium/Collect-v0 and the others)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--env", default="kinetarium/Collect-v0")
    parser.add_argument("--episodes", type=int, default=3)
    parser.add_argument("--generation-time", type=float,
                        default=float(os.environ.get("KINETARIUM_EXAMPLE_GENERATION_TIME", 20.0)))
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    env = gymnasium.make(args.env, generation_time=args.generation_time)
    env.action_space.seed(args.seed)
    observation, info = env.reset(seed=args.seed)
    for episode in range(1, args.episodes + 1):
        steps, total, done = 0, 0.0, False
        while not done:
            observation, reward, terminated, truncated, info = env.step(env.action_space.sample())
            steps, total, done = steps + 1, total + reward, terminated or truncated
        ending = "reached the goal" if terminated else "time up"
        print(f"Episode {episode}: {steps} steps, reward {total:g} ({ending})")
        observation, info = env.reset()
    env.close()


if __name__ == "__main__":
    main()
