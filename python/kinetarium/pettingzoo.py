"""The shared arena as a PettingZoo ParallelEnv: every vehicle is an agent.

    from kinetarium.pettingzoo import parallel_env
    env = parallel_env(task="collect", vehicles=20)
    observations, infos = env.reset(seed=1)
    while env.agents:
        actions = {agent: env.action_space(agent).sample() for agent in env.agents}
        observations, rewards, terminations, truncations, infos = env.step(actions)

Agents are "vehicle_0" to "vehicle_{n-1}", in the arena's vehicle order. All are truncated
when the generation's time is up; in the maze a vehicle that reaches the goal is terminated
and leaves the agents (it stays parked at the goal).
"""

try:
    from gymnasium import spaces
    from pettingzoo import ParallelEnv
except ImportError as error:  # PettingZoo is optional: the arena itself does not need it.
    raise ImportError(
        "kinetarium.pettingzoo needs PettingZoo and Gymnasium, which could not be imported "
        f"({error}); install them or put them on PYTHONPATH"
    ) from error

import numpy as np

from . import Arena
from ._bounds import check_action, observation_bounds

SEED_LIMIT = 2**32
# What a vehicle that has left the episode is given: no turn, no speed.
IDLE_ACTION = (0.5, 0.5)


class KinetariumParallelEnv(ParallelEnv):
    """All vehicles of one arena; the arguments are kinetarium.Arena's."""

    metadata = {"render_modes": ["rgb_array"], "name": "kinetarium_v0", "render_fps": 30, "is_parallelizable": True}

    def __init__(self, task="collect", vehicles=20, render_mode=None, **arena_parameters):
        if render_mode is not None and render_mode not in self.metadata["render_modes"]:
            raise ValueError(f"render_mode must be None or 'rgb_array', not {render_mode!r}")
        self.arena = Arena(task=task, vehicles=vehicles, **arena_parameters)
        self.render_mode = render_mode
        self.possible_agents = [f"vehicle_{i}" for i in range(self.arena.vehicles)]
        self._index = {agent: i for i, agent in enumerate(self.possible_agents)}
        low, high = observation_bounds(self.arena.input_names)
        # One space object per agent, handed out again on every call (PettingZoo's rule).
        self._observation_spaces = {a: spaces.Box(low, high, dtype=np.float32) for a in self.possible_agents}
        self._action_spaces = {
            a: spaces.Box(0.0, 1.0, shape=(self.arena.action_size,), dtype=np.float32) for a in self.possible_agents
        }
        self.agents = []
        self._rng = np.random.default_rng()

    def observation_space(self, agent):
        return self._observation_spaces[agent]

    def action_space(self, agent):
        return self._action_spaces[agent]

    def reset(self, seed=None, options=None):
        if seed is not None:
            self._rng = np.random.default_rng(seed)
        observations = self.arena.reset(seed=int(self._rng.integers(SEED_LIMIT)))
        self.agents = list(self.possible_agents)
        return self._by_agent(observations), {agent: {} for agent in self.agents}

    def step(self, actions):
        if not self.agents:
            raise RuntimeError("every agent is done: call reset() first")
        unknown = set(actions) - set(self.possible_agents)
        if unknown:
            raise ValueError(f"actions for agents that do not exist: {sorted(unknown)}")
        missing = [agent for agent in self.agents if agent not in actions]
        if missing:
            raise ValueError(f"no action for the live agents {missing}")
        batch = np.tile(np.asarray(IDLE_ACTION, dtype=np.float32), (len(self.possible_agents), 1))
        for agent in self.agents:
            batch[self._index[agent]] = check_action(actions[agent], self.arena.action_size, f"the action of {agent}")
        observations, rewards, terminated, truncated, _ = self.arena.step(batch)
        live = self.agents
        result = (
            self._by_agent(observations, live),
            {a: float(rewards[self._index[a]]) for a in live},
            {a: bool(terminated[self._index[a]]) for a in live},
            {a: bool(truncated[self._index[a]]) for a in live},
            {a: {} for a in live},
        )
        self.agents = [a for a in live if not (result[2][a] or result[3][a])]
        return result

    def render(self):
        return None if self.render_mode is None else self.arena.render()

    def close(self):
        # The arena's engine is freed at once, not when the garbage collector gets to it.
        self.arena.close()
        self.agents = []

    def _by_agent(self, observations, agents=None):
        observations = np.asarray(observations, dtype=np.float32)
        return {a: observations[self._index[a]] for a in (self.agents if agents is None else agents)}


def parallel_env(**arguments):
    """The shared arena; the arguments are KinetariumParallelEnv's."""
    return KinetariumParallelEnv(**arguments)
