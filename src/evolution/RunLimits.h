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
constexpr long long MAX_TOTAL_GENES = 20000000; // population x genome length, or grid cells + population
constexpr int MAX_NOVELTY_K = 1000;
constexpr int MAX_MAP_CELLS = 100; // per axis
// NEAT genomes grow, so their bound is the mutations' own: a genome never holds more genes
// (nodes and connections) than this, nor a population more than MAX_NEAT_POPULATION_GENES
// (its species' representatives as many again), which keeps a saved NEAT state within
// what the population file reader takes (each gene a list of at most 6 JSON values).
constexpr int MAX_NEAT_GENOME_GENES = 7 * MAX_HIDDEN_NEURONS + 6; // collect's largest layered genome
constexpr long long MAX_NEAT_POPULATION_GENES = 1000000;
constexpr int maxNeatGenomeGenes(int populationSize)
{
    const long long share = MAX_NEAT_POPULATION_GENES / (populationSize > 1 ? populationSize : 1);
    return share < MAX_NEAT_GENOME_GENES ? static_cast<int>(share) : MAX_NEAT_GENOME_GENES;
}
// The generation clock sums the simulation step in 32-bit floats and stops growing at 2^20 s
// (after some 25 million steps): a longer generation, or an infinite one, would never end.
constexpr float MAX_GENERATION_TIME = 1048576.0f;

} // namespace modules
