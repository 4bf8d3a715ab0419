"""Shared fixtures of the Python tests."""

import json
import os
import shutil

import pytest


@pytest.fixture
def near_goal_maze(tmp_path):
    """A maze file: the shipped maze's walls with the start half a unit before the goal."""
    import kinetarium

    shutil.copy(os.path.join(kinetarium._media_folder(), "maze.b3d"), tmp_path / "walls.b3d")
    path = tmp_path / "near.json"
    path.write_text(json.dumps({"format": "kinetarium-maze", "version": 1, "mesh": "walls.b3d",
                                "start": [3.3, -3.8], "heading": -90, "goal": [3.8, -3.8]}))
    return str(path)
