"""Each example in examples/python runs to its end with tiny settings."""

import os
import subprocess
import sys

import pytest

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples", "python")


@pytest.mark.parametrize("example, library, arguments, last_line", [
    ("cma_collect.py", "cma", ["--generations", "2"], "Generation 2. Best vehicle fitness"),
    ("neat_collect.py", "neat", ["--generations", "2"], "Generation 2. Best vehicle fitness"),
    ("random_gym.py", "gymnasium", ["--episodes", "2"], "Episode 2: 15 steps"),
])
def test_example_runs(example, library, arguments, last_line):
    pytest.importorskip(library)
    command = [sys.executable, os.path.join(EXAMPLES, example), "--generation-time", "0.5"] + arguments
    out = subprocess.run(command, capture_output=True, text=True, timeout=120)
    assert out.returncode == 0, out.stderr
    assert out.stdout.splitlines()[-1].startswith(last_line)
