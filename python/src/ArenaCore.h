#pragma once

#include "ArenaPicture.h"
#include "core/Engine.h"
#include "core/Random.h"
#include "evolution/Behaviour.h"
#include "evolution/EvolutionParams.h"
#include "vehicle/Vehicle.h"
#include "world/World.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kinetarium_py {

// Raised for parameters a run refuses; the binding turns it into ValueError.
class ArenaValueError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};
// Raised for calls in the wrong order (a step after the generation's end).
class ArenaStateError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// One arena of its own: an engine (device, scene, World) and a state of rand(), both
// put in the program's global place for the length of each call (see ActiveArena), so
// that several arenas in one process do not disturb one another. The run in its World is
// built as kinetarium-batch builds its first generation, so a seeded arena places the
// same items and vehicles.
class ArenaCore {
public:
    // `params` already checked (checkArenaParams). Throws ArenaValueError when the
    // engine or the task cannot be set up (no media, a maze file refused).
    ArenaCore(const modules::EvolutionParams& params, unsigned seed);
    ~ArenaCore();
    ArenaCore(const ArenaCore&) = delete;
    ArenaCore& operator=(const ArenaCore&) = delete;

    const modules::EvolutionParams& params() const { return runParams; }
    unsigned seed() const { return runSeed; }
    int vehicles() const { return runParams.populationSize; }
    int observationSize() const { return static_cast<int>(inputNames().size()); }
    const std::vector<std::string>& inputNames() const;
    // Steps until the generation clock, summed in floats as the engine sums it, reaches its time.
    long long stepsPerGeneration() const;

    // Places a new generation from the generator where it stands, or first starts the run
    // anew from `seed` when `reseed`. `observations` gets vehicles x observationSize values.
    void reset(bool reseed, unsigned seed, std::vector<float>& observations);
    // One step with the networks' outputs (vehicles x 2, each 0 to 1). `rewards` gets the
    // fitness each vehicle gained; true when the generation's time is up.
    bool step(const float* actions, std::vector<float>& observations, std::vector<float>& rewards);
    // Whether each vehicle has finished (a maze's goal reached); its total fitness so far;
    // the task's counts per vehicle (forage's food and poison).
    std::vector<bool> finished() const;
    std::vector<float> fitness() const;
    std::vector<int> foodTaken() const;
    std::vector<int> poisonTaken() const;
    // Each vehicle's behaviour as the task describes it (x then y), in its behaviour space.
    std::vector<float> behaviours() const;
    modules::BehaviourSpace behaviourSpace() const;
    // Throws ArenaStateError unless a generation placed by reset() is running.
    void requireRunning() const;

    // A whole generation of layered networks (rows of `genes` each) with `hiddenNeurons`,
    // placed from the generator where it stands and run to the end of its time.
    std::vector<float> evaluate(const float* genomes, long long rows, long long genes, int hiddenNeurons);
    // The genomes the genetic algorithm drew for the run's first generation.
    std::vector<std::vector<float>> initialGenomes() const { return firstGenomes; }

    // A picture of the arena from above, width x height RGB bytes, drawn by the engine's
    // software renderer. Empty with `error` when it cannot be drawn.
    std::vector<std::uint8_t> render(unsigned width, unsigned height, std::string& error);

private:
    friend class ActiveArena;
    enum class Phase { NONE, RUNNING, ENDED };

    // Seeds the generator and builds the run as the batch program does, then goes back to
    // the generation boundary with nothing placed.
    void startRun(unsigned seed);
    // A generation has just been placed: what the batch run's step that bred it does next,
    // and this arena's record of its vehicles made anew.
    void afterPlacing();
    // The arena's World, wherever its engine is now (in the global place while active).
    const modules::World& world() const;
    // One value per vehicle, read by `read`.
    template <typename T, typename Read>
    std::vector<T> perVehicle(Read read) const
    {
        std::vector<T> values;
        for (const modules::Vehicle* vehicle : world().vehicles)
            values.push_back(read(*vehicle));
        return values;
    }
    // The first half of every vehicle's step; its readings into `observations`.
    void senseAll(std::vector<float>& observations);

    modules::Engine ownEngine;
    modules::RandomState random{};
    modules::EvolutionParams runParams;
    unsigned runSeed = 0;
    Phase phase = Phase::NONE;
    // Steps since the run started, for the scene's animation time as the batch run counts it.
    unsigned long long steps = 0;
    // Per vehicle: its last readings, whether it still moves, its fitness at the last call.
    std::vector<std::vector<float>> inputs;
    std::vector<char> moving;
    std::vector<float> lastFitness;
    std::vector<std::vector<float>> firstGenomes;
    std::unique_ptr<ArenaPicture> picture;
};

// Puts an arena's engine and generator in the global places for as long as it lives, and
// the ones it found there back afterwards.
class ActiveArena {
public:
    explicit ActiveArena(ArenaCore& arena);
    ~ActiveArena();
    ActiveArena(const ActiveArena&) = delete;
    ActiveArena& operator=(const ActiveArena&) = delete;

private:
    ArenaCore& arena;
    modules::RandomState outside{};
};

// The parameters of an arena from its options as kinetarium-batch takes them ("--task",
// "collect", "--poison-share", "0.3", ...), checked by the same rules; throws ArenaValueError
// with the batch's reason.
modules::EvolutionParams checkArenaParams(const std::vector<std::string>& arguments);

// The outputs (2 each) of `rows` layered networks of `params`' task and hidden neurons
// (genomes in rows), each for its own row of `observations`. Draws nothing.
std::vector<float> networkOutputs(const modules::EvolutionParams& params, const float* genomes,
                                  const float* observations, long long rows);

// Where the data files are when KINETARIUM_MEDIA is not set: the package's own guess.
void setDefaultMediaFolder(const std::string& folder);

} // namespace kinetarium_py
