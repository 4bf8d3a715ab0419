#pragma once

#include "methods/neat/NeatGenome.h"

#include <nlohmann/json.hpp>

#include <string>

namespace modules {

// {"nodes": [[id, kind, threshold], ...], "connections": [[from, to, weight, enabled,
// innovation], ...]}, kind 0 input, 1 output, 2 hidden. Floats are written as exact
// decimals, so reading gives the same bits.
nlohmann::json genomeToJson(const NeatGenome& genome);
// Only the form and the size are checked here (checkGenome checks the content); false with
// a reason, before anything is built, for more than `geneLimit` nodes and connections.
bool genomeFromJson(const nlohmann::json& json, int geneLimit, NeatGenome& genome, std::string& reason);

} // namespace modules
