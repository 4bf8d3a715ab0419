#pragma once

#include "evolution/EvolutionParams.h"
#include "tasks/Task.h"

#include <memory>
#include <string>
#include <vector>

namespace modules {

// One task as the user chooses it: by name on the command line and in files, by label in
// the panel.
struct TaskInfo {
    const char* name;     // "forage"
    const wchar_t* label; // the panel's combo box item
    std::string summary;  // one line for --help
    // The network's inputs by name; their number is the network's input layer.
    std::vector<std::string> inputNames;
    int outputs;
    // The task's own CSV columns, after the others: what Task::measures gives.
    std::vector<std::string> measureNames;
    // Builds the task for a run with `params`; null with a one-line "Error: ..." in `error`
    // when its data (a maze file) cannot be used. Needs the engine's scene.
    std::unique_ptr<Task> (*make)(const EvolutionParams& params, std::string& error);
    // The range of Task::behaviour for runs with `params`, with the axes' names.
    BehaviourSpace (*behaviourSpace)(const EvolutionParams& params);
};

// Every task, the default (item collection) first, in the panel's order.
const std::vector<TaskInfo>& evolutionTasks();
// The task called `name`, or null.
const TaskInfo* findTask(const std::string& name);
// The task of `params`, the default for an unknown name.
const TaskInfo& taskOf(const EvolutionParams& params);
// "collect, forage, maze".
std::string taskNames(const char* separator);
// The genes of a layered network of the task of `params` with its hidden neurons: every
// neuron's weights and its threshold.
long long genomeLength(const EvolutionParams& params);
// The longest layered genome the run limits allow on any task.
long long largestGenomeLength();

} // namespace modules
