"""The shared arena passes PettingZoo's parallel API test."""

import subprocess
import sys

import numpy as np
import pytest

pytest.importorskip("pettingzoo")
from pettingzoo.test import parallel_api_test  # noqa: E402

from kinetarium.pettingzoo import parallel_env  # noqa: E402


@pytest.mark.parametrize("task", ["collect", "forage", "maze"])
def test_passes_the_parallel_api_test(task):
    env = parallel_env(task=task, vehicles=5, generation_time=2.0)
    parallel_api_test(env, num_cycles=100)
    assert len(env.possible_agents) == 5 and not env.agents  # all truncated at 60 steps


def test_agents_share_one_arena():
    env = parallel_env(task="collect", vehicles=3, generation_time=1.0)
    observations, infos = env.reset(seed=2)
    assert sorted(observations) == ["vehicle_0", "vehicle_1", "vehicle_2"] == sorted(infos)
    same, _ = parallel_env(task="collect", vehicles=3, generation_time=1.0).reset(seed=2)
    assert all(np.array_equal(observations[a], same[a]) for a in observations)
    steps = 0
    while env.agents:
        _, rewards, _, truncations, _ = env.step({a: np.array([0.5, 1.0], np.float32) for a in env.agents})
        steps += 1
    assert steps == env.arena.steps_per_generation and all(truncations.values()) and set(rewards) == set(env.possible_agents)
    with pytest.raises(RuntimeError, match="reset"):
        env.step({})
    env.reset()
    with pytest.raises(ValueError, match="vehicle_1"):
        env.step({"vehicle_0": np.zeros(2, np.float32)})
    with pytest.raises(ValueError, match=r"vehicle_2 must lie in \[0, 1\]"):
        env.step({a: np.array([0.5, -0.1 if a == "vehicle_2" else 0.5], np.float32) for a in env.agents})
    with pytest.raises(ValueError, match="do not exist"):
        env.step({a: np.zeros(2, np.float32) for a in env.agents + ["vehicle_9"]})


def test_maze_agents_leave_at_the_goal(near_goal_maze):
    env = parallel_env(task="maze", vehicles=2, maze=near_goal_maze)
    env.reset(seed=1)
    for _ in range(30):
        _, _, terminations, truncations, _ = env.step({a: np.array([0.5, 1.0], np.float32) for a in env.agents})
        if not env.agents:
            break
    assert not env.agents and all(terminations.values()) and not any(truncations.values())


def test_without_pettingzoo_the_import_says_what_is_missing():
    code = ("import sys; sys.modules['pettingzoo'] = None; import kinetarium\n"
            "try:\n import kinetarium.pettingzoo\nexcept ImportError as e:\n print(e)")
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True).stdout
    assert "kinetarium.pettingzoo needs PettingZoo" in out
