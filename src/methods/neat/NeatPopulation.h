#pragma once

#include "methods/MethodRandom.h"
#include "methods/neat/InnovationRecord.h"
#include "methods/neat/NeatGenome.h"
#include "methods/neat/NeatSettings.h"
#include "methods/neat/NeatSpecies.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace modules {

// NEAT's generations for any number of inputs and outputs, apart from what the genomes
// steer: speciation, explicit fitness sharing, offspring per species, crossover and
// mutation. Every random draw comes from its own generator.
class NeatPopulation {
public:
    NeatPopulation(int inputs, int outputs, int size, float weightRange, std::uint64_t seed,
                   const NeatSettings& settings);

    const std::vector<NeatGenome>& genomes() const { return members; }
    const std::vector<NeatSpecies>& species() const { return niches; }
    double threshold() const { return compatibilityThreshold; }
    int generation() const { return generationNumber; }
    int inputs() const { return inputCount; }
    int outputs() const { return outputCount; }

    // One fitness per genome, in order: ends the generation and breeds the next. Fitness
    // that is not a finite number counts as 0, and shares use fitness below 0 as 0.
    void evolve(const std::vector<double>& fitnesses);

    nlohmann::json state() const;
    // False with a reason, and nothing changed, for a state that does not fit this
    // population's inputs, outputs and size, that breaks a genome's invariants, or that the
    // run could never have made: genomes beyond maxNeatGenomeGenes, an innovation number
    // meaning two connections, counters beyond NEAT_COUNTER_LIMIT. Time and memory
    // linear in the state (up to logarithms).
    bool restore(const nlohmann::json& state, std::string& reason);

private:
    // Places every member in the first species whose representative lies within the
    // threshold, founding species for the rest; drops empty species; adapts the threshold.
    void speciate();
    std::vector<NeatGenome> breed(const std::vector<std::vector<size_t>>& pools, const std::vector<int>& offspring);

    int inputCount;
    int outputCount;
    int populationSize;
    float weightRange;
    NeatSettings settings;
    int geneLimit; // maxNeatGenomeGenes of the population size
    MethodRandom random;
    InnovationRecord record;
    std::vector<NeatGenome> members;
    std::vector<NeatSpecies> niches;
    double compatibilityThreshold;
    int nextSpeciesId = 0;
    int generationNumber = 0;
};

} // namespace modules
