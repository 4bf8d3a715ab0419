#include "evolution/InputCheck.h"

#include "gui/GUI.h"

#include <climits>
#include <cmath>
#include <cwchar>
#include <string>

namespace modules {

bool strIsNumber(irr::core::stringw s)
{
    if (s.size() == 0)
        return false;
    for (irr::u32 i = 0; i < s.size(); ++i)
        if (s[i] < 0x2E || s[i] > 0x39)
            return false;
    return true;
}

bool textToInt(const irr::core::stringw& text, int& value)
{
    const double number = std::wcstod(text.c_str(), nullptr);
    const double truncated = std::trunc(number);
    if (!(truncated >= static_cast<double>(INT_MIN) && truncated <= static_cast<double>(INT_MAX)))
        return false;
    value = static_cast<int>(truncated);
    return true;
}

float textToFloat(const irr::core::stringw& text)
{
    return static_cast<float>(std::wcstod(text.c_str(), nullptr));
}

std::wstring checkRunLimits(const EvolutionParams& params)
{
    if (!(params.generationTime <= MAX_GENERATION_TIME))
        return L"Cannot start: a generation time of " + std::wstring(GUI::numberToString(params.generationTime).c_str())
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
    const long long genes = 7LL * (params.hiddenNeurons > 0 ? params.hiddenNeurons : 0) + 6;
    const long long population = params.populationSize > 0 ? params.populationSize : 0;
    if (population * genes > MAX_TOTAL_GENES)
        return L"Cannot start: population x genome length (" + std::to_wstring(population * genes)
            + L" genes) is above the limit of " + std::to_wstring(MAX_TOTAL_GENES) + L".";
    return std::wstring();
}

} // namespace modules
