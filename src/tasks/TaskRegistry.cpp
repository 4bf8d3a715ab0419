#include "tasks/TaskRegistry.h"

#include "tasks/CollectTask.h"
#include "tasks/ForageTask.h"
#include "tasks/MazeTask.h"
#include "evolution/RunLimits.h"

#include <algorithm>

namespace modules {

namespace {

std::unique_ptr<Task> makeCollect(const EvolutionParams&, std::string&)
{
    return std::make_unique<CollectTask>();
}

std::unique_ptr<Task> makeForage(const EvolutionParams& params, std::string&)
{
    return std::make_unique<ForageTask>(params);
}

} // namespace

const std::vector<TaskInfo>& evolutionTasks()
{
    static const std::vector<TaskInfo> tasks = {
        {"collect", L"Collect items", "collect items scattered in the open arena, +1 each",
         CollectTask().inputNames(), 2, {}, makeCollect, CollectTask::space},
        {"forage", L"Forage (poison)", "food +1 and poison -1, sensed apart", ForageTask(EvolutionParams()).inputNames(),
         2, {"best_food", "best_poison", "mean_food", "mean_poison"}, makeForage, ForageTask::space},
        {"maze", L"Maze", "reach the goal of a deceptive maze: fitness the diagonal less the distance left",
         mazeInputNames(), 2, {"reached_goal"}, makeMazeTask, mazeSpace},
    };
    return tasks;
}

const TaskInfo* findTask(const std::string& name)
{
    for (const TaskInfo& task : evolutionTasks())
        if (name == task.name)
            return &task;
    return nullptr;
}

const TaskInfo& taskOf(const EvolutionParams& params)
{
    const TaskInfo* task = findTask(params.task);
    return task ? *task : evolutionTasks().front();
}

std::string taskNames(const char* separator)
{
    std::string names;
    for (const TaskInfo& task : evolutionTasks())
        names += (names.empty() ? "" : separator) + std::string(task.name);
    return names;
}

namespace {

long long layeredGenes(long long inputs, long long hidden, long long outputs)
{
    return inputs + hidden * (inputs + 1) + outputs * (hidden + 1);
}

} // namespace

long long genomeLength(const EvolutionParams& params)
{
    const TaskInfo& task = taskOf(params);
    return layeredGenes(static_cast<long long>(task.inputNames.size()), params.hiddenNeurons > 0 ? params.hiddenNeurons : 0,
                        task.outputs);
}

long long largestGenomeLength()
{
    long long longest = 0;
    for (const TaskInfo& task : evolutionTasks())
        longest = std::max(longest, layeredGenes(static_cast<long long>(task.inputNames.size()), MAX_HIDDEN_NEURONS,
                                                 task.outputs));
    return longest;
}

} // namespace modules
