#include "ArenaCore.h"

#include "batch/BatchOptions.h"
#include "batch/BatchRunner.h"
#include "brain/NeuralNetwork.h"
#include "core/Utf8.h"
#include "evolution/EvolutionRun.h"
#include "evolution/RunLimits.h"
#include "media/MediaCheck.h"
#include "methods/Evolver.h"
#include "tasks/TaskRegistry.h"
#include "vehicle/Vehicle.h"
#include "world/World.h"

#include <cstdlib>
#include <utility>

using namespace modules;

namespace kinetarium_py {

namespace {

std::string defaultMediaFolder;

// The engine's and the batch run's lines start "Error: "; a Python exception says it already.
std::string withoutPrefix(const std::string& line)
{
    const std::string prefix = "Error: ";
    return line.compare(0, prefix.size(), prefix) == 0 ? line.substr(prefix.size()) : line;
}

// The layered network of `params`' task with `hiddenNeurons`, built without moving the
// generator: its random genes are overwritten before it drives anything.
NeuralNetwork quietNetwork(const EvolutionParams& params, int hiddenNeurons)
{
    const RandomState before = captureRandomState();
    const TaskInfo& task = taskOf(params);
    NeuralNetwork network(params.weightRange);
    network.addLayer(static_cast<int>(task.inputNames.size()));
    network.addLayer(hiddenNeurons);
    network.addLayer(task.outputs);
    restoreRandomState(before);
    return network;
}

// KINETARIUM_MEDIA for the device's start only, when the user has not set it.
class MediaOverride {
public:
    MediaOverride()
    {
        if (!std::getenv("KINETARIUM_MEDIA") && !defaultMediaFolder.empty()) {
            setenv("KINETARIUM_MEDIA", defaultMediaFolder.c_str(), 1);
            set = true;
        }
    }
    ~MediaOverride()
    {
        if (set)
            unsetenv("KINETARIUM_MEDIA");
    }

private:
    bool set = false;
};

bool active = false;

World& activeWorld()
{
    return *engine.world;
}

} // namespace

std::vector<float> networkOutputs(const EvolutionParams& params, const float* genomes, const float* observations,
                                  long long rows)
{
    NeuralNetwork network = quietNetwork(params, params.hiddenNeurons);
    const std::size_t genes = static_cast<std::size_t>(genomeLength(params));
    const std::size_t inputs = taskOf(params).inputNames.size();
    std::vector<float> all;
    std::vector<float> outputs(2);
    for (long long row = 0; row < rows; ++row) {
        network.setData(std::vector<float>(genomes + row * genes, genomes + (row + 1) * genes));
        network.process(std::vector<float>(observations + row * inputs, observations + (row + 1) * inputs), outputs);
        all.insert(all.end(), outputs.begin(), outputs.end());
    }
    return all;
}

void setDefaultMediaFolder(const std::string& folder)
{
    defaultMediaFolder = folder;
}

ActiveArena::ActiveArena(ArenaCore& arena)
    : arena(arena)
{
    if (active)
        throw ArenaStateError("an arena is already in use in this process");
    outside = captureRandomState();
    std::swap(engine, arena.ownEngine);
    if (isValidRandomState(arena.random))
        restoreRandomState(arena.random);
    active = true;
}

ActiveArena::~ActiveArena()
{
    arena.random = captureRandomState();
    std::swap(engine, arena.ownEngine);
    restoreRandomState(outside);
    active = false;
}

EvolutionParams checkArenaParams(const std::vector<std::string>& arguments)
{
    std::vector<const char*> argv = {"kinetarium-batch"};
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    BatchOptions options;
    std::string error;
    if (!parseBatchOptions(static_cast<int>(argv.size()), argv.data(), options, error)
        || !checkMethodOptions(options, options.params.method, error)
        || !checkTaskOptions(options, options.params.task, error)
        || !checkObjectiveOptions(options, options.params, error))
        throw ArenaValueError(withoutPrefix(error));
    const std::wstring refusal = checkRunLimits(options.params);
    if (!refusal.empty())
        throw ArenaValueError(toUtf8(refusal.c_str()));
    return options.params;
}

ArenaCore::ArenaCore(const EvolutionParams& params, unsigned seed)
    : runParams(params)
    , runSeed(seed)
{
    ActiveArena guard(*this);
    try {
        std::string error;
        {
            MediaOverride media;
            if (!checkMediaFiles(error)
                || !engine.openDevice(irr::video::EDT_NULL, irr::core::dimension2du(640, 480), false, error,
                                      irr::ELL_WARNING))
                throw ArenaValueError(withoutPrefix(error));
        }
        if (!engine.createScene(seed, false, error))
            throw ArenaValueError(withoutPrefix(error));
        // A run that cannot go on is reported by the exception, not on standard output.
        engine.abortRunOutput = nullptr;
        startRun(seed);
    } catch (...) {
        engine.shutdown();
        throw;
    }
}

ArenaCore::~ArenaCore()
{
    picture.reset();
    try {
        ActiveArena guard(*this);
        engine.shutdown();
    } catch (const ArenaStateError&) {
        // Collected while another arena holds the global place: its engine is left, not
        // released over the other's.
    }
}

const std::vector<std::string>& ArenaCore::inputNames() const
{
    return taskOf(runParams).inputNames;
}

long long ArenaCore::stepsPerGeneration() const
{
    float clock = 0.0f;
    long long count = 0;
    do {
        clock += Engine::SIMULATION_STEP;
        ++count;
    } while (clock < runParams.generationTime);
    return count;
}

void ArenaCore::startRun(unsigned seed)
{
    World& world = activeWorld();
    if (world.run)
        stopEvolution(world);
    engine.seed = seed;
    seedRandom(seed);
    std::string error;
    if (!startEvolution(runParams, world, error))
        throw ArenaValueError(withoutPrefix(error));
    firstGenomes.clear();
    if (world.evolver)
        for (const NeuralNetwork& network : world.evolver->population)
            firstGenomes.push_back(network.getData());
    // Back to the boundary: every generation is placed by reset() or evaluate().
    world.destroyVehicles();
    restoreRandomState(world.run->boundaryState);
    steps = 0;
    phase = Phase::NONE;
}

void ArenaCore::afterPlacing()
{
    // The batch run's step that bred a generation ends with the scene's animation pass,
    // which starts the new vehicles' collision response where they stand; the first
    // generation has had no step.
    if (steps > 0)
        engine.animateScene(BatchRunner::animationTime(steps));
    const std::size_t count = activeWorld().vehicles.size();
    inputs.assign(count, {});
    moving.assign(count, 1);
    lastFitness.assign(count, 0.0f);
}

void ArenaCore::senseAll(std::vector<float>& observations)
{
    World& world = activeWorld();
    const std::size_t size = static_cast<std::size_t>(observationSize());
    observations.assign(world.vehicles.size() * size, 0.0f);
    for (std::size_t i = 0; i < world.vehicles.size(); ++i) {
        Vehicle& vehicle = *world.vehicles[i];
        inputs[i].assign(vehicle.inputCount(), 0.0f);
        moving[i] = vehicle.senseStep(inputs[i]) ? 1 : 0;
        for (std::size_t k = 0; k < size && k < inputs[i].size(); ++k)
            observations[i * size + k] = inputs[i][k];
    }
}

void ArenaCore::reset(bool reseed, unsigned seed, std::vector<float>& observations)
{
    ActiveArena guard(*this);
    if (reseed) {
        runSeed = seed;
        startRun(seed);
    }
    World& world = activeWorld();
    world.destroyVehicles();
    const NeuralNetwork shape = quietNetwork(runParams, runParams.hiddenNeurons);
    // The vehicles' own networks stay unused: the caller steers them.
    world.createVehicles(std::vector<NeuralNetwork>(static_cast<std::size_t>(runParams.populationSize), shape));
    afterPlacing();
    phase = Phase::RUNNING;
    senseAll(observations);
}

void ArenaCore::requireRunning() const
{
    if (phase == Phase::NONE)
        throw ArenaStateError("step() before reset(): call reset() to place a generation first");
    if (phase == Phase::ENDED)
        throw ArenaStateError("step() after the generation's end (its time is up, or evaluate() ran): call reset()");
}

bool ArenaCore::step(const float* actions, std::vector<float>& observations, std::vector<float>& rewards)
{
    requireRunning();
    ActiveArena guard(*this);
    World& world = activeWorld();
    // The engine's step with its halves apart: each vehicle sensed at the end of the last
    // call, and drives now by what the caller answered. No vehicle senses another, so
    // sensing all before driving all gives the engine's numbers.
    ++engine.stepsMade;
    world.generationClock += Engine::SIMULATION_STEP;
    std::vector<float> outputs(2);
    for (std::size_t i = 0; i < world.vehicles.size(); ++i) {
        if (!moving[i])
            continue;
        outputs[0] = actions[2 * i];
        outputs[1] = actions[2 * i + 1];
        world.vehicles[i]->drive(outputs, Engine::SIMULATION_STEP);
    }
    engine.animateScene(BatchRunner::animationTime(++steps));
    const bool ended = world.generationClock >= world.generationTime;
    if (ended) {
        // The engine senses no more in this generation: the last readings stand.
        const std::size_t size = static_cast<std::size_t>(observationSize());
        observations.assign(world.vehicles.size() * size, 0.0f);
        for (std::size_t i = 0; i < world.vehicles.size(); ++i)
            for (std::size_t k = 0; k < size && k < inputs[i].size(); ++k)
                observations[i * size + k] = inputs[i][k];
        phase = Phase::ENDED;
    } else {
        senseAll(observations);
    }
    rewards.assign(world.vehicles.size(), 0.0f);
    for (std::size_t i = 0; i < world.vehicles.size(); ++i) {
        const float now = world.vehicles[i]->fitness;
        rewards[i] = now - lastFitness[i];
        lastFitness[i] = now;
    }
    return ended;
}

const World& ArenaCore::world() const
{
    return *(active ? engine.world : ownEngine.world);
}

std::vector<bool> ArenaCore::finished() const
{
    return perVehicle<bool>([](const Vehicle& vehicle) { return vehicle.tally.arrived; });
}

std::vector<float> ArenaCore::fitness() const
{
    return perVehicle<float>([](const Vehicle& vehicle) { return vehicle.fitness; });
}

std::vector<int> ArenaCore::foodTaken() const
{
    return perVehicle<int>([](const Vehicle& vehicle) { return vehicle.tally.food; });
}

std::vector<int> ArenaCore::poisonTaken() const
{
    return perVehicle<int>([](const Vehicle& vehicle) { return vehicle.tally.poison; });
}

std::vector<float> ArenaCore::behaviours() const
{
    std::vector<float> values;
    for (const Vehicle* vehicle : world().vehicles) {
        const Behaviour behaviour = world().run->task->behaviour(*vehicle);
        values.push_back(behaviour.x);
        values.push_back(behaviour.y);
    }
    return values;
}

BehaviourSpace ArenaCore::behaviourSpace() const
{
    return taskOf(runParams).behaviourSpace(runParams);
}

std::vector<float> ArenaCore::evaluate(const float* genomes, long long rows, long long genes, int hiddenNeurons)
{
    ActiveArena guard(*this);
    World& world = activeWorld();
    world.destroyVehicles();
    phase = Phase::ENDED;
    const NeuralNetwork shape = quietNetwork(runParams, hiddenNeurons);
    std::vector<NeuralNetwork> networks(static_cast<std::size_t>(rows), shape);
    std::vector<float> data(static_cast<std::size_t>(genes));
    for (long long row = 0; row < rows; ++row) {
        data.assign(genomes + row * genes, genomes + (row + 1) * genes);
        networks[static_cast<std::size_t>(row)].setData(data);
    }
    world.createVehicles(networks);
    afterPlacing();
    // Engine::simulationStep and the scene's animation pass, as the batch run makes them,
    // without the generation cycle: the caller breeds.
    do {
        ++engine.stepsMade;
        world.generationClock += Engine::SIMULATION_STEP;
        for (Vehicle* vehicle : world.vehicles)
            vehicle->update(Engine::SIMULATION_STEP);
        engine.animateScene(BatchRunner::animationTime(++steps));
    } while (world.generationClock < world.generationTime);
    std::vector<float> values;
    for (const Vehicle* vehicle : world.vehicles)
        values.push_back(vehicle->fitness);
    lastFitness = values;
    return values;
}

std::vector<std::uint8_t> ArenaCore::render(unsigned width, unsigned height, std::string& error)
{
    ActiveArena guard(*this);
    if (!picture)
        picture = std::make_unique<ArenaPicture>();
    return picture->draw(engine.sceneManager, width, height, error);
}

} // namespace kinetarium_py
