#include "evolution/Evolver.h"

#include "core/Engine.h"
#include "core/NumberText.h"
#include "core/Random.h"
#include "methods/MethodRegistry.h"
#include "vehicle/Vehicle.h"
#include "world/World.h"

#include <atomic>
#include <memory>
#include <utility>

namespace modules {

std::uint64_t newRunId()
{
    static std::atomic<std::uint64_t> lastRunId{0};
    return ++lastRunId;
}

Evolver::Evolver(std::unique_ptr<EvolutionMethod> method)
    : method(std::move(method))
{
}

std::wstring methodLine(const EvolutionMethod& method)
{
    const std::string description = method.description();
    const std::string text = "Method: " + method.name() + (description.empty() ? "" : " (" + description + ")") + ".";
    return std::wstring(text.begin(), text.end());
}

std::vector<std::wstring> runChoiceLines(const EvolutionMethod& method)
{
    std::vector<std::wstring> lines;
    if (method.name() != EvolutionParams().method)
        lines.push_back(methodLine(method));
    return lines;
}

namespace {

// The template network of a run; its construction draws from the generator.
NeuralNetwork templateFor(const EvolutionParams& params)
{
    NeuralNetwork templateNetwork(params.weightRange);
    templateNetwork.addLayer(4);
    templateNetwork.addLayer(params.hiddenNeurons);
    templateNetwork.addLayer(2);
    return templateNetwork;
}

// The World's share of the parameters and the run's opening log lines.
void enterRun(const EvolutionParams& params, World& world, Evolver* evolver)
{
    world.vehicleCount = params.populationSize;
    world.generationTime = params.generationTime;
    world.itemCount = params.itemCount;
    world.evolver = evolver;
    world.writeLog(RUN_STARTED_LINE);
    for (const std::wstring& line : runChoiceLines(*evolver->method))
        world.writeLog(line.c_str());
}

// A generation boundary: the method has made the next generation, nothing of it is placed yet.
void placeGeneration(World& world)
{
    world.evolver->boundaryState = captureRandomState();
    world.createVehicles(world.evolver->method->ask());
}

Evolver* newEvolver(std::unique_ptr<EvolutionMethod> method, const EvolutionParams& params, unsigned seed)
{
    auto* evolver = new Evolver(std::move(method));
    evolver->populationSize = params.populationSize;
    evolver->params = params;
    evolver->seed = seed;
    return evolver;
}

} // namespace

void startEvolution(const EvolutionParams& params, World& world)
{
    const MethodInfo* method = findMethod(params.method);
    if (!method)
        method = &evolutionMethods().front();
    const NeuralNetwork templateNetwork = templateFor(params);
    enterRun(params, world, newEvolver(method->make(templateNetwork, params, engine.seed, false), params, engine.seed));
    placeGeneration(world);
}

bool resumeEvolution(const SavedRun& run, const EvolutionParams& params, World& world, irr::u32 animationTimeMs,
                     std::string& reason)
{
    const MethodInfo* method = findMethod(params.method);
    if (!method) {
        reason = "the method \"" + params.method + "\" is not known";
        return false;
    }
    const NeuralNetwork templateNetwork = templateFor(params);
    std::unique_ptr<EvolutionMethod> made = method->make(templateNetwork, params, run.seed, true);
    if (!made->restore(run.methodState, reason))
        return false;
    Evolver* evolver = newEvolver(std::move(made), params, run.seed);
    evolver->generation = run.generation;
    evolver->history = run.history;
    enterRun(params, world, evolver);
    restoreRandomState(run.randomState);
    placeGeneration(world);
    // In the uninterrupted run the step that bred this generation ends with the animation
    // pass: it sets the new vehicles' transforms and starts their collision response from
    // where they stand. Their first moves depend on it. The first generation was bred by no
    // step: its vehicles meet their first animation pass after their first move.
    if (run.generation > 0)
        engine.animateScene(animationTimeMs);
    return true;
}

SavedRun savedRun(const Evolver& evolver)
{
    SavedRun run;
    run.params = evolver.params;
    run.seed = evolver.seed;
    run.generation = evolver.generation;
    run.randomState = evolver.boundaryState;
    run.methodState = evolver.method->state();
    run.history = evolver.history;
    return run;
}

void runGenerationCycle(World& world)
{
    Evolver& evolver = *world.evolver;

    std::vector<float> fitness;
    fitness.reserve(world.vehicles.size());
    for (const Vehicle* vehicle : world.vehicles)
        fitness.push_back(vehicle->fitness);
    if (fitness.empty())
        throw EmptyPopulationError();
    float bestFitness = fitness.front();
    for (float value : fitness)
        if (value > bestFitness)
            bestFitness = value;
    GenerationFitness summary = summarizeFitness(fitness);
    summary.species = evolver.method->speciesCount();
    double size = 0.0;
    for (const Vehicle* vehicle : world.vehicles)
        size += brainSize(*vehicle->brain);
    summary.genomeSize = size / static_cast<double>(world.vehicles.size());
    evolver.history.push_back(summary);

    world.destroyVehicles();
    evolver.method->tell(fitness);
    ++evolver.generation;
    placeGeneration(world);

    const irr::core::stringw report = irr::core::stringw(L"Generation ") + irr::core::stringw(evolver.generation)
        + L". Best vehicle fitness in last generation was " + numberText(bestFitness);
    world.writeLog(report.c_str());
}

void stopEvolution(World& world)
{
    delete world.evolver;
    world.evolver = nullptr;
    world.destroyVehicles();
    world.clearLog();
}

} // namespace modules
