"""Gymnasium environments: one vehicle alone in the arena, one episode per generation.

Importing this module registers kinetarium/Collect-v0, kinetarium/Forage-v0 and
kinetarium/Maze-v0, so that after `import kinetarium.gym`

    env = gymnasium.make("kinetarium/Collect-v0")

works. Observations are the task's sensor readings, actions the network's two outputs in
[0, 1] (turn = 2 a0 - 1, speed = 2 a1 - 1), the reward the fitness gained in the step. An
episode lasts one generation's time (then truncated); in the maze it ends early, terminated,
when the vehicle reaches the goal.
"""

try:
    import gymnasium
    from gymnasium import spaces
except ImportError as error:  # Gymnasium is optional: the arena itself does not need it.
    raise ImportError(
        "kinetarium.gym needs Gymnasium, which could not be imported "
        f"({error}); install it or put it on PYTHONPATH"
    ) from error

import numpy as np

from . import Arena
from ._bounds import check_action, observation_bounds

TASKS = {"collect": "Collect", "forage": "Forage", "maze": "Maze"}
SEED_LIMIT = 2**32


class KinetariumEnv(gymnasium.Env):
    """A single vehicle on one of the arena's tasks.

    `task` is "collect", "forage" or "maze"; `generation_time` the episode's simulated
    seconds; `items` the item count (collect, forage); further task parameters by name
    (poison_share, maze), as kinetarium.Arena takes them.
    """

    metadata = {"render_modes": ["rgb_array"], "render_fps": 30}

    def __init__(self, task="collect", render_mode=None, generation_time=20.0, items=None, **task_parameters):
        if render_mode is not None and render_mode not in self.metadata["render_modes"]:
            raise ValueError(f"render_mode must be None or 'rgb_array', not {render_mode!r}")
        arguments = dict(task=task, vehicles=1, generation_time=generation_time, **task_parameters)
        if items is not None:
            arguments["items"] = items
        self.arena = Arena(**arguments)
        self.render_mode = render_mode
        low, high = observation_bounds(self.arena.input_names)
        self.observation_space = spaces.Box(low, high, dtype=np.float32)
        self.action_space = spaces.Box(0.0, 1.0, shape=(self.arena.action_size,), dtype=np.float32)
        self._running = False
        self._fitness = 0.0

    def reset(self, *, seed=None, options=None):
        super().reset(seed=seed)
        # The arena's own seed comes from the environment's generator, so that a seeded
        # reset repeats the episode and unseeded ones after it go on drawing new arenas.
        observation = self.arena.reset(seed=int(self.np_random.integers(SEED_LIMIT)))
        self._running = True
        self._fitness = 0.0
        return self._observation(observation), {"fitness": 0.0}

    def step(self, action):
        if not self._running:
            raise RuntimeError("the episode has ended (or not started): call reset() first")
        action = check_action(action, self.arena.action_size)
        observation, rewards, terminated, truncated, _ = self.arena.step(action.reshape(1, -1))
        reward = float(rewards[0])
        self._fitness += reward
        terminated, truncated = bool(terminated[0]), bool(truncated[0])
        self._running = not (terminated or truncated)
        return self._observation(observation), reward, terminated, truncated, {"fitness": self._fitness}

    def render(self):
        return None if self.render_mode is None else self.arena.render()

    def close(self):
        # The arena's engine is freed at once, not when the garbage collector gets to it.
        self.arena.close()
        self._running = False

    def _observation(self, observation):
        return np.asarray(observation, dtype=np.float32)[0]


def _register():
    registered = gymnasium.envs.registration.registry
    for task, name in TASKS.items():
        env_id = f"kinetarium/{name}-v0"
        if env_id not in registered:
            gymnasium.register(id=env_id, entry_point="kinetarium.gym:KinetariumEnv", kwargs={"task": task})


_register()
