"""The sensors' true output range, for the environments' observation spaces.

A wall reading is the part of the 2-unit sensor line left beyond the wall it hits, 0 to 1.
An item (food, poison, the maze's goal) counts while it lies within 0.1 of the line, and
its reading is its distance from the line's far end over the line's length: up to
(2 + 0.1) / 2 for an item just behind the vehicle (src/vehicle/VehicleSensor.cpp).
"""

import numpy as np

SENSOR_LENGTH = 2.0
ITEM_SENSE_DISTANCE = 0.1
WALL_HIGH = 1.0
ITEM_HIGH = 1.0 + ITEM_SENSE_DISTANCE / SENSOR_LENGTH


def observation_bounds(input_names):
    """Lows and highs (float32) for a task's inputs, by their names."""
    high = np.array([WALL_HIGH if "wall" in name else ITEM_HIGH for name in input_names], dtype=np.float32)
    # The float sums in the sensor may land one step of float32 above the bound.
    high = np.nextafter(high, np.float32(np.inf))
    return np.zeros(len(input_names), dtype=np.float32), high


def check_action(action, size, who="the action"):
    """The action as float32, refused unless it has the shape (size,) and lies in [0, 1]:
    a network's outputs never leave that range."""
    action = np.asarray(action, dtype=np.float32)
    if action.shape != (size,):
        raise ValueError(f"{who} must have shape ({size},), not {action.shape}")
    if not np.all((action >= 0.0) & (action <= 1.0)):
        raise ValueError(f"{who} must lie in [0, 1] (turn = 2 a0 - 1, speed = 2 a1 - 1), not {action.tolist()}")
    return action
