#include "evolution/RunLimits.h"

#include "core/NumberText.h"
#include "methods/MethodRegistry.h"
#include "tasks/TaskRegistry.h"

namespace modules {

std::wstring checkRunLimits(const EvolutionParams& params)
{
    if (!(params.generationTime <= MAX_GENERATION_TIME))
        return L"Cannot start: a generation time of " + std::wstring(numberText(params.generationTime).c_str())
            + L" s never ends (the generation clock stops at " + std::to_wstring(static_cast<long>(MAX_GENERATION_TIME))
            + L" s).";
    if (params.populationSize > MAX_POPULATION_SIZE)
        return L"Cannot start: a population of " + std::to_wstring(params.populationSize) + L" is above the limit of "
            + std::to_wstring(MAX_POPULATION_SIZE) + L".";
    if (params.itemCount > MAX_ITEM_COUNT)
        return L"Cannot start: " + std::to_wstring(params.itemCount) + L" items are above the limit of "
            + std::to_wstring(MAX_ITEM_COUNT) + L".";
    if (params.hiddenNeurons > MAX_HIDDEN_NEURONS)
        return L"Cannot start: " + std::to_wstring(params.hiddenNeurons) + L" hidden neurons are above the limit of "
            + std::to_wstring(MAX_HIDDEN_NEURONS) + L".";
    const long long genes = genomeLength(params);
    const long long population = params.populationSize > 0 ? params.populationSize : 0;
    if (population * genes > MAX_TOTAL_GENES)
        return L"Cannot start: population x genome length (" + std::to_wstring(population * genes)
            + L" genes) is above the limit of " + std::to_wstring(MAX_TOTAL_GENES) + L".";
    if (!(params.poisonShare >= 0.0f && params.poisonShare <= 1.0f))
        return L"Cannot start: the poison share must be from 0 to 1.";
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
