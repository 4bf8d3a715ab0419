#pragma once

#include "evolution/Behaviour.h"
#include "evolution/EvolutionParams.h"
#include "methods/EvolutionMethod.h"

#include <string>
#include <vector>

namespace modules {

// The method's own measures of a finished generation, as CSV columns after the task's:
// MAP-Elites' "coverage" (filled cells over all cells) and "qd_score" (the sum of the
// elites' fitness above the task's lowest), novelty search's "archive_size"; none otherwise.
std::vector<std::string> methodMeasureNames(const EvolutionParams& params);
std::vector<double> methodMeasures(const EvolutionMethod& method, const BehaviourSpace& space);
// A run's measure columns: its task's, then its method's.
std::vector<std::string> runMeasureNames(const EvolutionParams& params);
// Every name runMeasureNames() can give, for readers of the CSV.
const std::vector<std::string>& knownMeasureNames();

} // namespace modules
