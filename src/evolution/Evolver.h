#pragma once

#include "brain/NeuralNetwork.h"
#include "core/Random.h"
#include "evolution/EvolutionParams.h"
#include "evolution/FitnessHistory.h"
#include "evolution/PopulationFile.h"

#include <irrlicht.h>

#include <cstdint>
#include <vector>

namespace modules {

class World;

// A number no other run of this process has had or will have (the first is 1).
std::uint64_t newRunId();

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
    // What the run was started with: its parameters and the generator's seed.
    EvolutionParams params;
    unsigned seed = 0;
    // The generator when the current generation was about to be placed in the arena. With the
    // population (unchanged while a generation runs) and the history, it is the run at its
    // last generation boundary.
    RandomState boundaryState{};
    // Tells this run from every other: a run started after Stop may live at the stopped
    // one's address, and its history may begin like the stopped one's.
    std::uint64_t runId = newRunId();
};

// Starts a run from the parameters: the World's share, the log line, the first generation.
void startEvolution(const EvolutionParams& params, World& world);
// Continues a saved run with `params` (the run's own, or changed ones with the same
// population size and hidden neurons): the World's share, the log line, the saved next
// generation placed exactly as the uninterrupted run places it, and the scene's animation
// pass at `animationTimeMs` (not 0) that follows a generation cycle in every step (none for
// generation 0, which no step bred).
void resumeEvolution(const SavedRun& run, const EvolutionParams& params, World& world, irr::u32 animationTimeMs);
// The run at its last generation boundary, ready to be written to a file.
SavedRun savedRun(const Evolver& evolver);
// Ends a generation and breeds the next. Throws EmptyPopulationError for an empty population.
void runGenerationCycle(World& world);
// Ends the run: the evolver, the vehicles and items, and the screen log.
void stopEvolution(World& world);

} // namespace modules
