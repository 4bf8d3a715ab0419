"""The comparison's statistics in Python give kinetarium-study's figures to its printed digits."""

import csv
import math
import os
import subprocess
import sys

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench", "reference"))
from peer_statistics import mean_interval, t_quantile_975, welch  # noqa: E402

# Final best fitness of seeds 1-20, kinetarium-study --vary method=cmaes,neat --generations 100.
CMAES = [22, 32, 27, 26, 9, 29, 28, 26, 22, 26, 39, 27, 32, 23, 22, 19, 28, 24, 28, 33]
NEAT = [13, 17, 13, 22, 19, 22, 17, 12, 15, 13, 17, 18, 17, 23, 11, 19, 18, 11, 18, 17]


def test_matches_the_study():
    # The study's summary.csv and comparison.csv for these runs (Boost's t distribution).
    assert mean_interval(CMAES) == pytest.approx((26.1, 23.235417, 28.964583), abs=1e-6)
    assert mean_interval(NEAT) == pytest.approx((16.6, 14.926958, 18.273042), abs=1e-6)
    t, degrees, p = welch(CMAES, NEAT)
    assert (t, degrees) == pytest.approx((5.993834, 30.611073), abs=1e-6)
    assert p == pytest.approx(0.00000131, abs=5e-9)
    assert t_quantile_975(19) == pytest.approx(2.093024054408, abs=1e-11)
    assert t_quantile_975(1) == pytest.approx(12.706204736, abs=1e-8)
    assert welch(NEAT, CMAES)[2] == pytest.approx(p, rel=1e-12)


def test_undefined_cases_are_nan():
    assert math.isnan(mean_interval([3.0])[1]) and all(math.isnan(v) for v in mean_interval([]))
    assert all(math.isnan(v) for v in welch([1.0, 1.0], [1.0, 1.0]) + welch([1.0], [2.0, 3.0]))


def test_the_arena_comparison_runs_small(tmp_path):
    batch = os.environ.get("KINETARIUM_BATCH", "")
    if not os.path.exists(batch):
        pytest.skip("KINETARIUM_BATCH names no program")
    pytest.importorskip("cma")
    pytest.importorskip("neat")
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench", "reference",
                          "compare_on_arena.py")
    command = [sys.executable, script, "--build", os.path.dirname(batch), "--seeds", "2", "--generations", "2",
               "--out", str(tmp_path)]
    out = subprocess.run(command, capture_output=True, text=True, timeout=300)
    assert out.returncode == 0, out.stderr
    with open(tmp_path / "final-best.csv") as f:
        rows = list(csv.DictReader(f))
    assert [(r["method"], r["seed"]) for r in rows] == [(m, s) for m in ("cmaes", "pycma", "neat", "neat-python")
                                                        for s in ("1", "2")]
    # The project's side is the study's own: its finals are the run files' last rows.
    with open(tmp_path / "project" / "runs" / "method-neat-seed2.csv") as f:
        assert float(list(csv.DictReader(f))[-1]["best_fitness"]) == float(rows[5]["final_best"])
    assert "| neat-python (python) |" in out.stdout and "Welch neat vs neat-python" in out.stdout
