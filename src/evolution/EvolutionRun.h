#pragma once

#include "brain/NeuralNetwork.h" // EmptyPopulationError
#include "core/Random.h"
#include "evolution/EvolutionParams.h"
#include "evolution/FitnessHistory.h"
#include "evolution/PopulationFile.h"
#include "methods/EvolutionMethod.h"
#include "tasks/Task.h"

#include <irrlicht.h>

#include <memory>
#include <string>
#include <cstdint>
#include <vector>

namespace modules {

class World;

// A number no other run of this process has had or will have (the first is 1).
std::uint64_t newRunId();

// One evolution run in the arena, whatever its method: the method that proposes the brains,
// what the run has done so far and what it started from. The arena only asks the method for
// brains and tells it their fitness; the run knows nothing of how the method breeds.
class EvolutionRun {
public:
    explicit EvolutionRun(std::unique_ptr<EvolutionMethod> method);

    std::unique_ptr<EvolutionMethod> method;
    // What the vehicles are evolved on; the World lays out generations and drives vehicles by it.
    std::unique_ptr<Task> task;
    int populationSize = 0;
    int generation = 0;
    // One entry per finished generation, oldest first: what charts and saved runs show.
    std::vector<GenerationFitness> history;
    // The task's and the method's measures of the last finished generation (see
    // runMeasureNames()); not kept in population files.
    std::vector<double> lastMeasures;
    // The task's behaviour space, and each vehicle's behaviour in the last finished generation
    // scaled to it, as the method was told them.
    BehaviourSpace behaviourSpace{};
    std::vector<Behaviour> lastBehaviours;
    // What the run was started with: its parameters and the generator's seed.
    EvolutionParams params;
    unsigned seed = 0;
    // The generator when the current generation was about to be placed in the arena. With the
    // method's state (unchanged while a generation runs) and the history, it is the run at
    // its last generation boundary.
    RandomState boundaryState{};
    // Tells this run from every other: a run started after Stop may live at the stopped
    // one's address, and its history may begin like the stopped one's.
    std::uint64_t runId = newRunId();
};

// A run's first log line.
inline constexpr const wchar_t* RUN_STARTED_LINE = L"Evolution started!";
// The method's line: "Method: NAME (DESCRIPTION)."
std::wstring methodLine(const EvolutionMethod& method);
// The task's line: "Task: NAME (SUMMARY)."
std::wstring taskLine(const Task& task);
// The objective's line: "Objective: novelty (k = K, starting threshold T)."
std::wstring objectiveLine(const EvolutionParams& params);
// The log lines after RUN_STARTED_LINE: one for each of the run's choices that is not the
// default, none for a default run, whose log stays "Evolution started!" and the generation
// reports: the method's line for any method but the genetic algorithm, the task's for any
// task but item collection, the objective's for novelty search.
std::vector<std::wstring> runChoiceLines(const EvolutionMethod& method);
std::vector<std::wstring> runChoiceLines(const EvolutionMethod& method, const Task& task);
std::vector<std::wstring> runChoiceLines(const EvolutionMethod& method, const Task& task, const EvolutionParams& params);

// Starts a run from the parameters: the World's share, the log lines, the first generation.
// A task that cannot be set up (a maze file that is refused) starts nothing: false with a
// line "Error: ..." in `error`.
bool startEvolution(const EvolutionParams& params, World& world, std::string& error);
// The same with the refusal written to the World's log.
void startEvolution(const EvolutionParams& params, World& world);

// Continues a saved run with `params` (the run's own, or changed ones with the same method,
// population size and hidden neurons): the World's share, the log lines, the saved next
// generation placed exactly as the uninterrupted run places it, and the scene's animation
// pass at `animationTimeMs` (not 0) that follows a generation cycle in every step. False,
// with a reason, when the saved method state does not fit the method; nothing is started.
bool resumeEvolution(const SavedRun& run, const EvolutionParams& params, World& world, irr::u32 animationTimeMs,
                     std::string& reason);
// The run at its last generation boundary, ready to be written to a file.
SavedRun savedRun(const EvolutionRun& run);
// Ends a generation: the fitness to the method, its next brains into the arena, the log line.
// Throws EmptyPopulationError for an empty population.
void runGenerationCycle(World& world);
// The log line that reports a finished generation: "Generation N. Best vehicle fitness in
// last generation was F".
std::wstring generationReportLine(int generation, float bestFitness);
// Ends the run: the run with its method, the vehicles and items, and the screen log.
void stopEvolution(World& world);

} // namespace modules
