"""The Gymnasium environments pass Gymnasium's own checker and run in its vector envs."""

import subprocess
import sys

import numpy as np
import pytest

gymnasium = pytest.importorskip("gymnasium")
import kinetarium.gym  # noqa: E402  (registers the environments)
from gymnasium.utils.env_checker import check_env  # noqa: E402

IDS = ["kinetarium/Collect-v0", "kinetarium/Forage-v0", "kinetarium/Maze-v0"]


@pytest.mark.parametrize("env_id", IDS)
def test_passes_the_checker(env_id):
    env = gymnasium.make(env_id, render_mode="rgb_array", generation_time=1.0)
    check_env(env.unwrapped)
    env.reset(seed=1)
    picture = env.render()
    assert picture.dtype == np.uint8 and picture.ndim == 3 and picture.shape[2] == 3 and picture.std() > 0
    inputs = {"kinetarium/Forage-v0": 6}.get(env_id, 4)
    assert env.observation_space.shape == (inputs,) and env.action_space.shape == (2,)


def test_episode_lasts_one_generation_and_repeats_with_its_seed():
    def episode(seed):
        env = gymnasium.make("kinetarium/Collect-v0", generation_time=2.0)
        observation, _ = env.reset(seed=seed)
        env.action_space.seed(seed)
        steps, total, observations = 0, 0.0, [observation]
        while True:
            observation, reward, terminated, truncated, info = env.step(env.action_space.sample())
            steps, total = steps + 1, total + reward
            observations.append(observation)
            assert env.observation_space.contains(observation)
            if terminated or truncated:
                assert truncated and not terminated and info["fitness"] == pytest.approx(total)
                return steps, np.array(observations)

    steps, first = episode(5)
    assert steps == gymnasium.make("kinetarium/Collect-v0", generation_time=2.0).unwrapped.arena.steps_per_generation
    assert np.array_equal(first, episode(5)[1])
    assert not np.array_equal(first, episode(6)[1])


def test_maze_episode_ends_terminated_at_the_goal(near_goal_maze):
    env = gymnasium.make("kinetarium/Maze-v0", maze=near_goal_maze)
    env.reset(seed=1)
    for step in range(1, env.unwrapped.arena.steps_per_generation):
        _, _, terminated, truncated, info = env.step(np.array([0.5, 1.0], dtype=np.float32))
        if terminated or truncated:
            break
    assert terminated and not truncated and step < 30 and info["fitness"] > 12.4  # 12.73 less 0.3 at most


def test_vector_envs_sync_and_async_agree():
    make = lambda: gymnasium.make("kinetarium/Forage-v0", generation_time=0.5)  # noqa: E731
    actions = np.full((2, 2), 0.75, dtype=np.float32)
    results = []
    for vector in (gymnasium.vector.SyncVectorEnv, gymnasium.vector.AsyncVectorEnv):
        envs = vector([make, make])
        observations, _ = envs.reset(seed=[3, 4])
        rewards = np.zeros(2)
        for _ in range(20):  # past the end of the 15-step episode: autoreset
            observations, reward, _, truncated, _ = envs.step(actions)
            rewards += reward
        envs.close()
        results.append((observations, rewards))
    assert np.array_equal(results[0][0], results[1][0]) and np.array_equal(results[0][1], results[1][1])


def test_bad_input_raises_clear_errors():
    env = gymnasium.make("kinetarium/Collect-v0").unwrapped
    with pytest.raises(RuntimeError, match="reset"):
        env.step(np.zeros(2, dtype=np.float32))
    env.reset(seed=1)
    with pytest.raises(ValueError, match="shape"):
        env.step(np.zeros(3, dtype=np.float32))
    with pytest.raises(ValueError, match=r"\[0, 1\]"):
        env.step(np.array([2.0, 0.5], dtype=np.float32))
    with pytest.raises(ValueError, match="render_mode"):
        kinetarium.gym.KinetariumEnv(render_mode="human")
    env.close()
    with pytest.raises(RuntimeError, match="closed|reset"):
        env.reset(seed=1)
        env.step(np.zeros(2, dtype=np.float32))
    with pytest.raises(Exception, match="task"):
        kinetarium.gym.KinetariumEnv(task="swim")


def test_without_gymnasium_the_import_says_what_is_missing():
    # A module set to None in sys.modules cannot be imported: a machine without Gymnasium.
    code = ("import sys; sys.modules['gymnasium'] = None; import kinetarium\n"
            "try:\n import kinetarium.gym\nexcept ImportError as e:\n print(e)")
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True).stdout
    assert "kinetarium.gym needs Gymnasium" in out
