"""Kinetarium's arena in Python: vehicles steered by small networks, stepped one by one
(reset/step) or a whole generation at a time (evaluate), with the numbers of
kinetarium-batch for the same seed and parameters. Needs only NumPy; no display.

    arena = kinetarium.Arena(task="collect", vehicles=20, items=60, generation_time=20.0, seed=1)
    observations = arena.reset()
    observations, rewards, terminated, truncated, info = arena.step(actions)  # actions in [0, 1]
    fitness = arena.evaluate(genomes, hidden_neurons=4)
"""

import os as _os

from . import _paths
from ._kinetarium import Arena, genome_length, network_outputs, tasks
from ._kinetarium import _set_media_folder


def _media_folder():
    # A wheel carries the data beside the package; a CMake build or install names its own.
    here = _os.path.dirname(_os.path.abspath(__file__))
    shipped = _os.path.join(here, "media")
    if _os.path.isdir(shipped):
        return shipped
    return _os.path.normpath(_os.path.join(here, _paths.MEDIA_FOLDER))


_set_media_folder(_media_folder())

__all__ = ["Arena", "genome_length", "network_outputs", "tasks"]
