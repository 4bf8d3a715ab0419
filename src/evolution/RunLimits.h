#pragma once

#include "evolution/EvolutionParams.h"

#include <string>

namespace modules {

// Bounds that keep a run buildable in memory, the program responsive and every generation
// able to end. An empty text means the parameters may start a run; otherwise a one-line
// reason for the screen log.
std::wstring checkRunLimits(const EvolutionParams& params);

constexpr int MAX_POPULATION_SIZE = 10000;
constexpr int MAX_ITEM_COUNT = 10000;
constexpr int MAX_HIDDEN_NEURONS = 10000;
constexpr long long MAX_TOTAL_GENES = 20000000; // population x genome length
// The generation clock sums the simulation step in 32-bit floats and stops growing at 2^20 s
// (after some 25 million steps): a longer generation, or an infinite one, would never end.
constexpr float MAX_GENERATION_TIME = 1048576.0f;

} // namespace modules
