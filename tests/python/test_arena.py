"""The Python arena against kinetarium-batch, against itself and against bad input.

Run by CTest (label python) with PYTHONPATH at the built package and KINETARIUM_BATCH
naming the batch program."""

import csv
import os
import subprocess

import numpy as np
import pytest

import kinetarium

BATCH = os.environ.get("KINETARIUM_BATCH", "")


def summary(fitness):
    # The batch run's summary: best, mean and median over the sorted values, in doubles.
    values = sorted(float(v) for v in fitness)
    n = len(values)
    median = values[n // 2] if n % 2 else (values[n // 2 - 1] + values[n // 2]) / 2.0
    return ["%.6f" % values[-1], "%.6f" % (sum(values) / n), "%.6f" % median]


def network_run(arena, genome, hidden, seed):
    """A generation stepped from Python with every vehicle driven by `genome`."""
    observations = arena.reset(seed=seed)
    genomes = np.repeat(genome[None, :], arena.vehicles, axis=0)
    total = np.zeros(arena.vehicles, dtype=np.float32)
    steps = 0
    while True:
        actions = kinetarium.network_outputs(genomes, observations, hidden, arena.task)
        observations, rewards, terminated, truncated, info = arena.step(actions)
        total += rewards
        steps += 1
        if truncated.all():
            return total, info, steps


@pytest.mark.skipif(not os.path.exists(BATCH), reason="KINETARIUM_BATCH names no program")
@pytest.mark.parametrize("seed, arguments, parameters", [
    (7, [], {}),
    (11, ["--task", "forage", "--poison-share", "0.3", "--generation-time", "6"],
     {"task": "forage", "poison_share": 0.3, "generation_time": 6}),
    (5, ["--task", "maze", "--population-size", "8", "--hidden-neurons", "3"],
     {"task": "maze", "vehicles": 8, "hidden_neurons": 3}),
])
def test_evaluate_gives_the_batch_runs_first_generation(tmp_path, seed, arguments, parameters):
    table = tmp_path / "run.csv"
    subprocess.run([BATCH, "--seed", str(seed), "--generations", "1", "--csv", str(table)] + arguments,
                   check=True, capture_output=True, cwd=os.path.dirname(BATCH))
    with open(table) as f:
        row = next(csv.DictReader(f))
    arena = kinetarium.Arena(seed=seed, **parameters)
    fitness = arena.evaluate(arena.initial_genomes(), arena.hidden_neurons)
    assert fitness.dtype == np.float32 and fitness.shape == (arena.vehicles,)
    assert summary(fitness) == [row["best_fitness"], row["mean_fitness"], row["median_fitness"]]
    assert int(row["steps"]) == arena.steps_per_generation


def test_reset_and_step_shapes_and_types():
    arena = kinetarium.Arena(task="forage", vehicles=5, items=30, generation_time=0.2, seed=3)
    assert (arena.task, arena.vehicles, arena.action_size) == ("forage", 5, 2)
    assert arena.observation_size == len(arena.input_names) == 6
    assert arena.steps_per_generation == 6
    observations = arena.reset()
    assert observations.dtype == np.float32 and observations.shape == (5, 6)
    for step in range(arena.steps_per_generation):
        observations, rewards, terminated, truncated, info = arena.step(np.full((5, 2), 0.75, np.float32))
        assert observations.shape == (5, 6) and rewards.dtype == np.float32 and rewards.shape == (5,)
        assert terminated.dtype == np.bool_ and truncated.dtype == np.bool_ and not terminated.any()
        assert truncated.all() == (step == arena.steps_per_generation - 1)
        assert set(info) == {"fitness", "food", "poison"}
    with pytest.raises(RuntimeError, match="reset"):
        arena.step(np.zeros((5, 2)))
    assert list(arena.behaviour_space) == ["food", "poison"]
    assert np.array_equal(arena.behaviours(), np.stack([info["food"], info["poison"]], axis=1))


def test_a_seed_gives_the_same_arena_and_evaluate_matches_a_python_step_loop():
    # A network that collects something: the best of the run's first generation.
    probe = kinetarium.Arena(vehicles=8, seed=3)
    genome = probe.initial_genomes()[np.argmax(probe.evaluate(probe.initial_genomes()))]
    arena = kinetarium.Arena(vehicles=8, seed=3)
    assert np.array_equal(arena.reset(seed=3), arena.reset(seed=3))
    stepped, info, steps = network_run(arena, genome, 4, seed=3)
    evaluated = kinetarium.Arena(vehicles=8, seed=3).evaluate(np.tile(genome, (8, 1)), 4)
    assert steps == arena.steps_per_generation
    assert np.array_equal(stepped, evaluated) and np.array_equal(info["fitness"], evaluated)
    assert evaluated.sum() > 0


def test_two_arenas_interleaved_give_what_each_gives_alone():
    def make():
        return kinetarium.Arena(vehicles=4, generation_time=1.0, seed=21), kinetarium.Arena(
            task="forage", vehicles=3, generation_time=1.0, seed=22)

    def drive(arena, turn):
        arena.step(np.tile([turn, 1.0], (arena.vehicles, 1)))
        return arena.step(np.tile([turn, 1.0], (arena.vehicles, 1)))[0]

    alone_a, alone_b = make()
    expected = [alone_a.reset(), drive(alone_a, 0.2), alone_a.evaluate(alone_a.initial_genomes())]
    del alone_a
    expected_b = [alone_b.reset(), drive(alone_b, 0.9), alone_b.evaluate(alone_b.initial_genomes())]
    a, b = make()
    got_a, got_b = [a.reset()], [b.reset()]
    got_b.append(drive(b, 0.9))
    got_a.append(drive(a, 0.2))
    got_a.append(a.evaluate(a.initial_genomes()))
    got_b.append(b.evaluate(b.initial_genomes()))
    for left, right in zip(expected + expected_b, got_a + got_b):
        assert np.array_equal(left, right)


def closed():
    arena = kinetarium.Arena(vehicles=2)
    arena.close()
    return arena


@pytest.mark.parametrize("call, error, message", [
    (lambda: kinetarium.Arena(task="race"), ValueError, "unknown task 'race': the tasks are collect, forage, maze"),
    (lambda: kinetarium.Arena(speed=3), ValueError, "unknown parameter 'speed': the parameters are"),
    (lambda: kinetarium.Arena(task="maze", items=10), ValueError, "--item-count is not used by the task maze"),
    (lambda: kinetarium.Arena(poison_share=0.2), ValueError, "--poison-share is not used by the task collect"),
    (lambda: kinetarium.Arena(sigma=0.5), ValueError, "--sigma is not used by the method ga"),
    (lambda: kinetarium.Arena(vehicles=-3), ValueError, "--population-size"),
    (lambda: kinetarium.Arena(vehicles=20000), ValueError, "population of 20000"),
    (lambda: kinetarium.Arena(generation_time=float("nan")), ValueError, "generation_time must be finite"),
    (lambda: kinetarium.Arena(vehicles="20"), TypeError, "vehicles must be a number, not str"),
    (lambda: kinetarium.Arena(vehicles=True), TypeError, "vehicles must be a number, not bool"),
    (lambda: kinetarium.Arena(task="maze", maze=3), TypeError, "maze must be a str, not int"),
    (lambda: kinetarium.Arena(task="maze", maze="no-such-maze.json"), ValueError, "no-such-maze.json"),
    (lambda: kinetarium.Arena(seed=-1), ValueError, "seed must be from 0 to 4294967295"),
    (lambda: kinetarium.Arena(seed=1.5), TypeError, "seed must be an int or None"),
    (lambda: kinetarium.Arena(vehicles=2).step(np.zeros((2, 2))), RuntimeError, "step() before reset()"),
    (lambda: closed().reset(), RuntimeError, "the arena is closed"),
    (lambda: kinetarium.genome_length("race"), ValueError, "unknown task 'race'"),
    (lambda: kinetarium.genome_length("collect", -1), ValueError, "hidden_neurons must be from 0"),
])
def test_bad_construction_raises_a_clear_error(call, error, message):
    with pytest.raises(error) as raised:
        call()
    assert message in str(raised.value)


@pytest.fixture(scope="module")
def running():
    arena = kinetarium.Arena(vehicles=3, generation_time=5.0, seed=1)
    arena.reset()
    return arena


@pytest.mark.parametrize("actions, error, message", [
    (np.zeros((3, 3)), ValueError, "actions must have the shape (3, 2)"),
    (np.zeros(6), ValueError, "not (6,)"),
    ([[0, 0]] * 3, TypeError, "actions must be a numpy array, not list"),
    (np.array([["a", "b"]] * 3), TypeError, "actions must hold numbers"),
    (np.array([[0.5, np.nan]] * 3), ValueError, "actions must be finite: element 0, 1 is nan"),
    (np.array([[0.5, np.inf]] * 3, np.float32), ValueError, "must be finite"),
])
def test_bad_actions_raise_a_clear_error(running, actions, error, message):
    with pytest.raises(error) as raised:
        running.step(actions)
    assert message in str(raised.value)
    running.step(np.full((3, 2), 0.5))  # the arena goes on


@pytest.mark.parametrize("genomes, hidden, error, message", [
    (np.zeros((3, 10)), 4, ValueError, "genomes must have the shape (3, 34)"),
    (np.zeros((3, 34)), -1, ValueError, "hidden_neurons must be from 0"),
    (np.zeros((3, 34)), 4.0, TypeError, "hidden_neurons must be an int"),
    (np.full((3, 34), np.nan), 4, ValueError, "genomes must be finite"),
    (np.zeros((3, 36), dtype=object), 4, TypeError, "genomes must hold numbers"),
])
def test_bad_genomes_raise_a_clear_error(running, genomes, hidden, error, message):
    with pytest.raises(error) as raised:
        running.evaluate(genomes, hidden)
    assert message in str(raised.value)


def test_render_draws_the_arena_without_a_display_and_prints_nothing(capfd):
    arena = kinetarium.Arena(vehicles=4, seed=2)
    arena.reset()
    picture = arena.render(96, 64)
    assert picture.dtype == np.uint8 and picture.shape == (64, 96, 3)
    assert len(np.unique(picture.reshape(-1, 3), axis=0)) > 3
    assert np.array_equal(picture, arena.render(96, 64))
    assert capfd.readouterr().out == ""
    with pytest.raises(ValueError, match="width must be from 16 to 4096"):
        arena.render(0, 64)
