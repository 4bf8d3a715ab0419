#include "evolution/EvolutionRun.h"

#include "core/Engine.h"
#include "core/NumberText.h"
#include "core/Random.h"
#include "methods/Evolver.h"
#include "evolution/MethodMeasures.h"
#include "evolution/ParameterTable.h"
#include "methods/MethodRegistry.h"
#include "methods/NoveltySearch.h"
#include "tasks/TaskRegistry.h"
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

EvolutionRun::EvolutionRun(std::unique_ptr<EvolutionMethod> method)
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

std::wstring taskLine(const Task& task)
{
    const TaskInfo* info = findTask(task.name());
    const std::string text = "Task: " + task.name() + (info ? " (" + info->summary + ")" : "") + ".";
    return std::wstring(text.begin(), text.end());
}

std::vector<std::wstring> runChoiceLines(const EvolutionMethod& method, const Task& task)
{
    std::vector<std::wstring> lines = runChoiceLines(method);
    if (task.name() != EvolutionParams().task)
        lines.push_back(taskLine(task));
    return lines;
}

std::wstring objectiveLine(const EvolutionParams& params)
{
    const std::string text = "Objective: novelty (k = " + std::to_string(params.noveltyK) + ", starting threshold "
        + parameterText(*findParameter("novelty-threshold"), params) + ").";
    return std::wstring(text.begin(), text.end());
}

std::vector<std::wstring> runChoiceLines(const EvolutionMethod& method, const Task& task, const EvolutionParams& params)
{
    std::vector<std::wstring> lines = runChoiceLines(method, task);
    if (dynamic_cast<const NoveltySearch*>(&method))
        lines.push_back(objectiveLine(params));
    return lines;
}

namespace {

// The template network of a run, of its task's inputs and outputs; its construction draws
// from the generator.
NeuralNetwork templateFor(const EvolutionParams& params)
{
    const TaskInfo& task = taskOf(params);
    NeuralNetwork templateNetwork(params.weightRange);
    templateNetwork.addLayer(static_cast<int>(task.inputNames.size()));
    templateNetwork.addLayer(params.hiddenNeurons);
    templateNetwork.addLayer(task.outputs);
    return templateNetwork;
}

// The World's share of the parameters, the run (and its genetic algorithm, if that is its
// method) with its task in the arena, and the run's opening log lines.
void enterRun(const EvolutionParams& params, World& world, std::unique_ptr<EvolutionRun> run)
{
    world.vehicleCount = params.populationSize;
    world.generationTime = params.generationTime;
    world.itemCount = params.itemCount;
    world.run = std::move(run);
    EvolutionMethod* method = world.run->method.get();
    if (auto* novelty = dynamic_cast<NoveltySearch*>(method))
        method = &novelty->inner(); // bred for novelty, still the genetic algorithm's networks
    world.evolver = dynamic_cast<Evolver*>(method);
    world.run->behaviourSpace = taskOf(params).behaviourSpace(params);
    Task& task = *world.run->task;
    task.enter(world);
    world.layout = &task;
    world.rules = &task;
    world.writeLog(RUN_STARTED_LINE);
    for (const std::wstring& line : runChoiceLines(*world.run->method, task, params))
        world.writeLog(line.c_str());
}

// A generation boundary: the method has made the next generation, nothing of it is placed yet.
// The genetic algorithm's networks drive the vehicles as they are; other methods hand out
// brains of their own kind. Both are placed with the same draws.
void placeGeneration(World& world)
{
    world.run->boundaryState = captureRandomState();
    if (world.evolver)
        world.createVehicles(world.evolver->population);
    else
        world.createVehiclesFromBrains(world.run->method->ask());
}

std::unique_ptr<EvolutionRun> newRun(std::unique_ptr<EvolutionMethod> method, const EvolutionParams& params,
                                     unsigned seed)
{
    auto run = std::make_unique<EvolutionRun>(std::move(method));
    run->populationSize = params.populationSize;
    run->params = params;
    run->seed = seed;
    return run;
}

} // namespace

bool startEvolution(const EvolutionParams& params, World& world, std::string& error)
{
    std::unique_ptr<Task> task = taskOf(params).make(params, error);
    if (!task)
        return false;
    const MethodInfo* method = findMethod(params.method);
    if (!method)
        method = &evolutionMethods().front();
    const NeuralNetwork templateNetwork = templateFor(params);
    std::unique_ptr<EvolutionRun> run = newRun(makeMethod(*method, templateNetwork, params, engine.seed, false), params, engine.seed);
    run->task = std::move(task);
    enterRun(params, world, std::move(run));
    placeGeneration(world);
    return true;
}

void startEvolution(const EvolutionParams& params, World& world)
{
    std::string error;
    if (!startEvolution(params, world, error)) {
        const std::wstring line(error.begin(), error.end());
        world.writeLog(line.c_str());
    }
}

bool resumeEvolution(const SavedRun& run, const EvolutionParams& params, World& world, irr::u32 animationTimeMs,
                     std::string& reason)
{
    const MethodInfo* method = findMethod(params.method);
    if (!method) {
        reason = "the method \"" + params.method + "\" is not known";
        return false;
    }
    std::string error;
    std::unique_ptr<Task> task = taskOf(params).make(params, error);
    if (!task) {
        reason = error;
        return false;
    }
    const NeuralNetwork templateNetwork = templateFor(params);
    std::unique_ptr<EvolutionMethod> made = makeMethod(*method, templateNetwork, params, run.seed, true);
    if (!made->restore(run.methodState, reason))
        return false;
    std::unique_ptr<EvolutionRun> resumed = newRun(std::move(made), params, run.seed);
    resumed->task = std::move(task);
    resumed->generation = run.generation;
    resumed->history = run.history;
    enterRun(params, world, std::move(resumed));
    if (world.evolver)
        world.evolver->generation = run.generation;
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

SavedRun savedRun(const EvolutionRun& run)
{
    SavedRun saved;
    saved.params = run.params;
    saved.seed = run.seed;
    saved.generation = run.generation;
    saved.randomState = run.boundaryState;
    saved.methodState = run.method->state();
    saved.history = run.history;
    return saved;
}

void runGenerationCycle(World& world)
{
    EvolutionRun& run = *world.run;

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
    summary.species = run.method->speciesCount();
    double size = 0.0;
    for (const Vehicle* vehicle : world.vehicles)
        size += brainSize(vehicle->steering());
    summary.genomeSize = size / static_cast<double>(world.vehicles.size());
    run.lastMeasures = run.task->measures(world.vehicles);
    run.history.push_back(summary);
    const std::wstring note = run.task->generationNote(run.lastMeasures, world.vehicles.size());
    run.lastBehaviours.clear();
    for (const Vehicle* vehicle : world.vehicles)
        run.lastBehaviours.push_back(scaledBehaviour(run.task->behaviour(*vehicle), run.behaviourSpace));

    world.destroyVehicles();
    run.method->tellOutcome(fitness, run.lastBehaviours);
    for (const double value : methodMeasures(*run.method, run.behaviourSpace))
        run.lastMeasures.push_back(value);
    ++run.generation;
    placeGeneration(world);

    world.writeLog(generationReportLine(run.generation, bestFitness).c_str());
    if (!note.empty())
        world.writeLog(note.c_str());
}

std::wstring generationReportLine(int generation, float bestFitness)
{
    const irr::core::stringw report = irr::core::stringw(L"Generation ") + irr::core::stringw(generation)
        + L". Best vehicle fitness in last generation was " + numberText(bestFitness);
    return report.c_str();
}

void stopEvolution(World& world)
{
    world.evolver = nullptr;
    world.layout = nullptr;
    world.rules = nullptr;
    world.run.reset();
    world.destroyVehicles();
    world.clearLog();
}

} // namespace modules
