#include "evolution/RunLimits.h"

#include "core/NumberText.h"
#include "evolution/ParameterTable.h"
#include "methods/MethodRegistry.h"
#include "tasks/TaskRegistry.h"

#include <cwchar>

namespace modules {

std::wstring checkRunLimits(const EvolutionParams& params)
{
    if (!(params.generationTime <= MAX_GENERATION_TIME))
        return L"Cannot start: a generation time of " + std::wstring(numberText(params.generationTime).c_str())
            + L" s never ends (the generation clock stops at " + std::to_wstring(static_cast<long>(MAX_GENERATION_TIME))
            + L" s).";
    for (const ParameterInfo& parameter : evolutionParameters()) {
        const double value = parameterValue(parameter, params);
        // A value the run's task does not use (a poison share left over for the maze) stops nothing.
        if (!parameter.overLimit || !(value > parameter.maximum) || !runUses(parameter, params))
            continue;
        const std::wstring valueText = parameter.intField ? std::to_wstring(params.*parameter.intField)
                                                          : std::wstring(numberText(params.*parameter.floatField).c_str());
        wchar_t named[160];
        std::swprintf(named, sizeof named / sizeof named[0], parameter.overLimit, valueText.c_str());
        const std::wstring maximum = parameter.intField ? std::to_wstring(static_cast<long long>(parameter.maximum))
                                                        : std::wstring(numberText(static_cast<float>(parameter.maximum)).c_str());
        return L"Cannot start: " + std::wstring(named) + L" above the limit of " + maximum + L".";
    }
    const long long genes = genomeLength(params);
    const long long population = params.populationSize > 0 ? params.populationSize : 0;
    if (population * genes > MAX_TOTAL_GENES)
        return L"Cannot start: population x genome length (" + std::to_wstring(population * genes)
            + L" genes) is above the limit of " + std::to_wstring(MAX_TOTAL_GENES) + L".";
    if (params.method == "map-elites") {
        const long long cells = params.mapCells;
        if (cells < 1)
            return L"Cannot start: MAP-Elites needs at least 1 cell per axis.";
        if ((cells * cells + population) * genes > MAX_TOTAL_GENES)
            return L"Cannot start: (grid cells + population) x genome length ("
                + std::to_wstring((cells * cells + population) * genes) + L" genes) is above the limit of "
                + std::to_wstring(MAX_TOTAL_GENES) + L".";
    }
    if (params.objective == NOVELTY_OBJECTIVE && (params.method == "ga" || params.method == "neat") && params.noveltyK < 1)
        return L"Cannot start: novelty search needs a k of at least 1.";
    if (const MethodInfo* method = findMethod(params.method)) {
        const std::wstring name(params.method.begin(), params.method.end());
        if (methodUses(*method, "sigma") && !(params.sigma > 0.0f))
            return L"Cannot start: the method " + name + L" needs a sigma above 0.";
        if (methodUses(*method, "learning-rate") && !(params.learningRate > 0.0f))
            return L"Cannot start: the method " + name + L" needs a learning rate above 0.";
    }
    return std::wstring();
}

} // namespace modules
