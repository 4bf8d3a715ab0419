#pragma once

#include "brain/NeuralNetwork.h"
#include "evolution/EvolutionParams.h"
#include "evolution/FitnessHistory.h"

#include <vector>

namespace modules {

class World;

// One evolution run: the population and the genetic parameters.
class Evolver {
public:
    static constexpr int TOURNAMENT_SIZE = 2;

    Evolver(const NeuralNetwork& templateNetwork, int populationSize, int eliteCount,
            int selectorType, float crossoverRate, float mutationRate, float maxPerturbation);

    // Changes each gene with probability mutationRate by up to +-maxPerturbation.
    void mutate(NeuralNetwork& network) const;

    std::vector<NeuralNetwork> population;
    int populationSize;
    int eliteCount;
    int selectorType;
    float crossoverRate;
    float mutationRate;
    float maxPerturbation;
    int generation = 0;
    // One entry per finished generation, oldest first: what charts and saved runs show.
    std::vector<GenerationFitness> history;
};

// Starts a run from the parameters: the World's share, the log line, the first generation.
void startEvolution(const EvolutionParams& params, World& world);
// Ends a generation and breeds the next. Throws EmptyPopulationError for an empty population.
void runGenerationCycle(World& world);
// Ends the run: the evolver, the vehicles and items, and the screen log.
void stopEvolution(World& world);

} // namespace modules
