#pragma once

#include <irrlicht.h>

namespace modules {

// The identifiers that tie the code to the layout file "gui.xml".
struct GUIElementIDs {
    enum {
        SETUP_WINDOW = 100,
        START_BUTTON = 101,
        GENERATION_TIME_EDIT = 102,
        ITEM_COUNT_EDIT = 103,
        POPULATION_SIZE_EDIT = 104,
        ELITE_COUNT_EDIT = 105,
        SELECTOR_COMBO = 106,
        CROSSOVER_RATE_EDIT = 107,
        MUTATION_RATE_EDIT = 108,
        MAX_PERTURBATION_EDIT = 109,
        HIDDEN_NEURONS_EDIT = 110,
        WEIGHT_RANGE_EDIT = 111,
        QUIT_BUTTON = 112,
        LOAD_POPULATION_BUTTON = 113,
        METHOD_COMBO = 114,
        SIGMA_EDIT = 115,
        LEARNING_RATE_EDIT = 116,
        TASK_COMBO = 117,
        POISON_SHARE_EDIT = 118,
        MAZE_EDIT = 119,
        OBJECTIVE_COMBO = 120,
        NOVELTY_K_EDIT = 121,
        NOVELTY_THRESHOLD_EDIT = 122,
        MAP_CELLS_EDIT = 123,
        CAMERA_WINDOW = 200,
        TOP_DOWN_CAMERA_BUTTON = 201,
        FOLLOW_CAMERA_BUTTON = 202,
        FAST_MODE_WINDOW = 300,
        NORMAL_SPEED_BUTTON = 301,
        RUN_WINDOW = 400,
        FAST_MODE_BUTTON = 401,
        STOP_BUTTON = 402,
        CHART_BUTTON = 403,
        SAVE_POPULATION_BUTTON = 404,
        PAUSE_BUTTON = 405,
        SPEED_TEXT = 406,
        RECORD_BUTTON = 407
    };

    // Depth-first, parent before children: the first element with `id` in the tree below
    // and including `start` (the GUI root when null), or null.
    static irr::gui::IGUIElement* getElementFromID(irr::s32 id, irr::gui::IGUIElement* start);
};

} // namespace modules
