#include "evolution/MethodMeasures.h"

#include "methods/MapElites.h"
#include "methods/NoveltySearch.h"
#include "tasks/TaskRegistry.h"

#include <algorithm>

namespace modules {

namespace {

const std::vector<std::string> MAP_ELITES_MEASURES = {"coverage", "qd_score"};
const std::vector<std::string> NOVELTY_MEASURES = {"archive_size"};

} // namespace

std::vector<std::string> methodMeasureNames(const EvolutionParams& params)
{
    if (params.method == "map-elites")
        return MAP_ELITES_MEASURES;
    if (params.objective == NOVELTY_OBJECTIVE && (params.method == "ga" || params.method == "neat"))
        return NOVELTY_MEASURES;
    return {};
}

std::vector<double> methodMeasures(const EvolutionMethod& method, const BehaviourSpace& space)
{
    if (const auto* map = dynamic_cast<const MapElites*>(&method))
        return {map->coverage(), map->qdScore(space.lowestFitness)};
    if (const auto* novelty = dynamic_cast<const NoveltySearch*>(&method))
        return {static_cast<double>(novelty->archive().behaviours().size())};
    return {};
}

std::vector<std::string> runMeasureNames(const EvolutionParams& params)
{
    std::vector<std::string> names = taskOf(params).measureNames;
    for (std::string& name : methodMeasureNames(params))
        names.push_back(std::move(name));
    return names;
}

const std::vector<std::string>& knownMeasureNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all = MAP_ELITES_MEASURES;
        all.insert(all.end(), NOVELTY_MEASURES.begin(), NOVELTY_MEASURES.end());
        for (const TaskInfo& task : evolutionTasks())
            all.insert(all.end(), task.measureNames.begin(), task.measureNames.end());
        return all;
    }();
    return names;
}

} // namespace modules
