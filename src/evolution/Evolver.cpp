#include "evolution/Evolver.h"

#include "core/Engine.h"
#include "core/Random.h"
#include "evolution/Selector.h"
#include "gui/GUI.h"
#include "gui/ScreenLog.h"
#include "vehicle/Vehicle.h"
#include "world/World.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <utility>

namespace modules {

std::uint64_t newRunId()
{
    static std::atomic<std::uint64_t> lastRunId{0};
    return ++lastRunId;
}

Evolver::Evolver(const NeuralNetwork& templateNetwork, int populationSize, int eliteCount,
                 int selectorType, float crossoverRate, float mutationRate, float maxPerturbation)
    : populationSize(populationSize)
    , eliteCount(eliteCount)
    , selectorType(selectorType)
    , crossoverRate(crossoverRate)
    , mutationRate(mutationRate)
    , maxPerturbation(maxPerturbation)
{
    if (populationSize > 0)
        population.reserve(static_cast<size_t>(populationSize));
    for (int j = 0; j < populationSize; ++j) {
        population.push_back(templateNetwork);
        population.back().randomize();
    }
}

void Evolver::mutate(NeuralNetwork& network) const
{
    std::vector<float> genes = network.getData();
    for (float& gene : genes) {
        if (fRand() < mutationRate) {
            const float change = fRand2();
            gene = static_cast<float>(static_cast<double>(gene)
                                      + static_cast<double>(change) * static_cast<double>(maxPerturbation));
        }
    }
    network.setData(genes);
}

namespace {

void writeLog(const wchar_t* text)
{
    if (engine.screenLog)
        engine.screenLog->writeLine(text);
}

// Fittest first; of equal values the lowest position wins each pass.
void rankByFitness(std::vector<NeuralNetwork>& population)
{
    const size_t n = population.size();
    for (size_t i = 0; i < n; ++i) {
        size_t best = i;
        for (size_t j = i + 1; j < n; ++j)
            if (population[j].fitness > population[best].fitness)
                best = j;
        if (best != i)
            std::swap(population[i], population[best]);
    }
}

void crossover(NeuralNetwork& a, NeuralNetwork& b)
{
    std::vector<float> genesA = a.getData();
    std::vector<float> genesB = b.getData();
    const unsigned length = static_cast<unsigned>(genesA.size());
    if (length < 2)
        return; // no cut point exists
    const unsigned cut = static_cast<unsigned>(std::rand()) % (length - 1) + 1;
    for (unsigned p = cut; p < length; ++p)
        std::swap(genesA[p], genesB[p]);
    a.setData(genesA);
    b.setData(genesB);
}

std::unique_ptr<Selector> makeSelector(int selectorType, const std::vector<NeuralNetwork>& population)
{
    // Only 0 and 1 come from the panel; anything else gets the default roulette wheel.
    if (selectorType == 1)
        return std::make_unique<TournamentSelector>(population, Evolver::TOURNAMENT_SIZE);
    return std::make_unique<RouletteWheelSelector>(population);
}

} // namespace

namespace {

// The World's share of the parameters, the log line and the template network (whose
// construction draws from the generator).
NeuralNetwork prepareRun(const EvolutionParams& params, World& world)
{
    world.vehicleCount = params.populationSize;
    world.generationTime = params.generationTime;
    world.itemCount = params.itemCount;
    writeLog(L"Evolution started!");

    NeuralNetwork templateNetwork(params.weightRange);
    templateNetwork.addLayer(4);
    templateNetwork.addLayer(params.hiddenNeurons);
    templateNetwork.addLayer(2);
    return templateNetwork;
}

// A generation boundary: the next population is bred, nothing of it is placed yet.
void placeGeneration(World& world)
{
    world.evolver->boundaryState = captureRandomState();
    world.createVehicles(world.evolver->population);
}

} // namespace

void startEvolution(const EvolutionParams& params, World& world)
{
    const NeuralNetwork templateNetwork = prepareRun(params, world);
    world.evolver = new Evolver(templateNetwork, params.populationSize, params.eliteCount, params.selectorType,
                                params.crossoverRate, params.mutationRate, params.maxPerturbation);
    world.evolver->params = params;
    world.evolver->seed = engine.seed;
    placeGeneration(world);
}

void resumeEvolution(const SavedRun& run, const EvolutionParams& params, World& world, irr::u32 animationTimeMs)
{
    const NeuralNetwork templateNetwork = prepareRun(params, world);
    // An empty population: the genomes are the saved ones, not new random ones.
    world.evolver = new Evolver(templateNetwork, 0, params.eliteCount, params.selectorType, params.crossoverRate,
                                params.mutationRate, params.maxPerturbation);
    Evolver& evolver = *world.evolver;
    evolver.populationSize = params.populationSize;
    evolver.population.assign(run.genomes.size(), templateNetwork);
    for (size_t i = 0; i < run.genomes.size(); ++i)
        evolver.population[i].setData(run.genomes[i]);
    evolver.generation = run.generation;
    evolver.history = run.history;
    evolver.params = params;
    evolver.seed = run.seed;
    restoreRandomState(run.randomState);
    placeGeneration(world);
    // In the uninterrupted run the step that bred this generation ends with the animation
    // pass: it sets the new vehicles' transforms and starts their collision response from
    // where they stand. Their first moves depend on it. The first generation was bred by no
    // step: its vehicles meet their first animation pass after their first move.
    if (run.generation > 0)
        engine.animateScene(animationTimeMs);
}

SavedRun savedRun(const Evolver& evolver)
{
    SavedRun run;
    run.params = evolver.params;
    run.seed = evolver.seed;
    run.generation = evolver.generation;
    run.randomState = evolver.boundaryState;
    run.genomes.reserve(evolver.population.size());
    for (const NeuralNetwork& network : evolver.population)
        run.genomes.push_back(network.getData());
    run.history = evolver.history;
    return run;
}

void runGenerationCycle(World& world)
{
    Evolver& evolver = *world.evolver;
    std::vector<NeuralNetwork>& population = evolver.population;

    for (size_t i = 0; i < world.vehicles.size() && i < population.size(); ++i)
        population[i].fitness = world.vehicles[i]->fitness;
    const float bestFitness = NeuralNetwork::getFittest(population).fitness;
    std::vector<float> fitness;
    fitness.reserve(world.vehicles.size());
    for (const Vehicle* vehicle : world.vehicles)
        fitness.push_back(vehicle->fitness);
    evolver.history.push_back(summarizeFitness(fitness));

    world.destroyVehicles();
    rankByFitness(population);

    std::vector<NeuralNetwork> next;
    next.reserve(population.size());
    {
        std::unique_ptr<Selector> selector = makeSelector(evolver.selectorType, population);
        int k = 0;
        for (; k < evolver.eliteCount && k < evolver.populationSize; ++k)
            next.push_back(population[static_cast<size_t>(k)]);
        for (; k < evolver.populationSize; k += 2) {
            NeuralNetwork a = selector->select();
            NeuralNetwork b = selector->select();
            if (fRand() < evolver.crossoverRate)
                crossover(a, b);
            evolver.mutate(a);
            evolver.mutate(b);
            next.push_back(std::move(a));
            if (k < evolver.populationSize - 1)
                next.push_back(std::move(b));
        }
    }
    population = std::move(next);
    ++evolver.generation;
    placeGeneration(world);

    const irr::core::stringw report = irr::core::stringw(L"Generation ") + irr::core::stringw(evolver.generation)
        + L". Best vehicle fitness in last generation was " + GUI::numberToString(bestFitness);
    writeLog(report.c_str());
}

void stopEvolution(World& world)
{
    delete world.evolver;
    world.evolver = nullptr;
    world.destroyVehicles();
    if (engine.screenLog)
        engine.screenLog->clear();
}

} // namespace modules
