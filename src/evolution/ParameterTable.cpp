#include "evolution/ParameterTable.h"

#include "evolution/RunLimits.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace modules {

const std::vector<ParameterInfo>& evolutionParameters()
{
    using P = EvolutionParams;
    const std::vector<std::string> GA = {"ga"};
    // The layered networks' breeding operators, which MAP-Elites shares with the genetic algorithm.
    const std::vector<std::string> BREEDING = {"ga", "map-elites"};
    const std::vector<std::string> FOR_NOVELTY = {"ga", "neat"};
    // Tuning ranges: the arena's own parameters (time, items, vehicles) and the network's
    // size define the problem a study compares on, so they are not tuned. The others span
    // what suits networks of tens to thousands of genes.
    static std::vector<ParameterInfo> table = {
        {"--generation-time", &P::generationTime, nullptr, "length of a generation in simulated seconds (30 steps each)"},
        {"--item-count", nullptr, &P::itemCount, "items in the arena", {}, {}, false, false, {}, {"collect", "forage"}},
        {"--population-size", nullptr, &P::populationSize, "vehicles, one network each", {}, {}, false, true},
        {"--elite-count", nullptr, &P::eliteCount, "best networks carried over unchanged", {TuneScale::LINEAR, 0, 6},
         {}, false, false, GA},
        {"--selector", nullptr, &P::selectorType, "how parents are selected", {TuneScale::LINEAR, 0, 1},
         {SELECTOR_NAMES[0], SELECTOR_NAMES[1]}, false, false, GA},
        {"--crossover-rate", &P::crossoverRate, nullptr, "probability of crossover per pair of parents",
         {TuneScale::LINEAR, 0, 1}, {}, false, false, BREEDING},
        {"--mutation-rate", &P::mutationRate, nullptr, "probability of mutation per gene", {TuneScale::LOG, 0.005, 0.5},
         {}, false, false, BREEDING},
        {"--max-perturbation", &P::maxPerturbation, nullptr, "largest change a mutation makes to a gene",
         {TuneScale::LOG, 0.05, 20}, {}, false, false, BREEDING},
        // NEAT grows its own hidden nodes.
        {"--hidden-neurons", nullptr, &P::hiddenNeurons, "neurons in the hidden layer", {}, {}, false, true,
         {"ga", "cmaes", "openai-es", "map-elites"}},
        {"--weight-range", &P::weightRange, nullptr, "scale of the random initial weights", {TuneScale::LOG, 0.1, 10}},
        {"--sigma", &P::sigma, nullptr, "step size of the search distribution", {TuneScale::LOG, 0.01, 3}, {}, true,
         false, {"cmaes", "openai-es"}},
        {"--learning-rate", &P::learningRate, nullptr, "step size of the gradient step (Adam)",
         {TuneScale::LOG, 0.001, 1}, {}, true, false, {"openai-es"}},
        {"--objective", nullptr, &P::objective, "what is bred for: fitness, or novelty of behaviour", {},
         {OBJECTIVE_NAMES[0], OBJECTIVE_NAMES[1]}, false, false, FOR_NOVELTY},
        {"--novelty-k", nullptr, &P::noveltyK, "novelty search: nearest behaviours averaged", {TuneScale::LINEAR, 1, 30}, {},
         false, false, FOR_NOVELTY},
        {"--novelty-threshold", &P::noveltyThreshold, nullptr,
         "novelty search: first archive threshold (of the space's side)", {TuneScale::LOG, 0.005, 0.2},
         {}, false, false, FOR_NOVELTY},
        {"--map-cells", nullptr, &P::mapCells, "MAP-Elites grid cells per behaviour axis", {}, {}, false, true,
         {"map-elites"}},
        {"--poison-share", &P::poisonShare, nullptr, "share of the items that are poison, 0 to 1", {}, {}, false, false,
         {}, {"forage"}},
        {"--maze", nullptr, nullptr, "the maze: a maze file in the data folder, or a path", {}, {}, false, false, {},
         {"maze"}, &P::mazeFile},
    };
    static const bool bounded = [] {
        // Bounds that keep a run buildable in memory and the program responsive.
        const auto bound = [](const char* option, double maximum, const wchar_t* overLimit) {
            for (ParameterInfo& parameter : table)
                if (std::strcmp(parameter.option, option) == 0) {
                    parameter.maximum = maximum;
                    parameter.overLimit = overLimit;
                }
        };
        bound("--item-count", MAX_ITEM_COUNT, L"%ls items are");
        bound("--population-size", MAX_POPULATION_SIZE, L"a population of %ls is");
        bound("--hidden-neurons", MAX_HIDDEN_NEURONS, L"%ls hidden neurons are");
        bound("--poison-share", 1.0, L"a poison share of %ls is");
        bound("--novelty-k", MAX_NOVELTY_K, L"a novelty k of %ls is");
        bound("--map-cells", MAX_MAP_CELLS, L"%ls cells per axis are");
        for (ParameterInfo& parameter : table) {
            const std::string name = parameter.name();
            if (name == "novelty-k" || name == "novelty-threshold")
                parameter.objectives = {OBJECTIVE_NAMES[NOVELTY_OBJECTIVE]};
            if (name == "objective" || name == "novelty-k" || name == "novelty-threshold" || name == "map-cells")
                parameter.fileVersion = 4;
            if (!parameter.tasks.empty())
                parameter.fileVersion = 3;
        }
        return true;
    }();
    (void)bounded;
    return table;
}

double parameterValue(const ParameterInfo& parameter, const EvolutionParams& params)
{
    if (parameter.intField)
        return params.*parameter.intField;
    if (parameter.floatField)
        return params.*parameter.floatField;
    return 0.0;
}

const ParameterInfo* findParameter(const std::string& name)
{
    for (const ParameterInfo& parameter : evolutionParameters())
        if (parameter.name() == name)
            return &parameter;
    return nullptr;
}

bool objectiveUses(const ParameterInfo& parameter, const std::string& objective)
{
    return parameter.objectives.empty()
        || std::find(parameter.objectives.begin(), parameter.objectives.end(), objective) != parameter.objectives.end();
}

bool runUses(const ParameterInfo& parameter, const EvolutionParams& params)
{
    const bool method = parameter.usedBy.empty()
        || std::find(parameter.usedBy.begin(), parameter.usedBy.end(), params.method) != parameter.usedBy.end();
    const int objective = params.objective == NOVELTY_OBJECTIVE ? NOVELTY_OBJECTIVE : 0;
    return method && taskUses(parameter, params.task) && objectiveUses(parameter, OBJECTIVE_NAMES[objective]);
}

bool taskUses(const ParameterInfo& parameter, const std::string& task)
{
    return parameter.tasks.empty() || std::find(parameter.tasks.begin(), parameter.tasks.end(), task) != parameter.tasks.end();
}

std::string tasksUsing(const ParameterInfo& parameter)
{
    std::string names;
    for (const std::string& task : parameter.tasks)
        names += (names.empty() ? "" : ", ") + task;
    return names;
}

std::string parameterText(const ParameterInfo& parameter, const EvolutionParams& params)
{
    if (parameter.textField)
        return params.*parameter.textField;
    if (parameter.intField) {
        const int value = params.*parameter.intField;
        if (!parameter.choices.empty() && value >= 0 && static_cast<std::size_t>(value) < parameter.choices.size())
            return parameter.choices[static_cast<std::size_t>(value)];
        return std::to_string(value);
    }
    // The shortest text that reads back as the same float, without an exponent: options
    // take digits and '.' only.
    const float value = params.*parameter.floatField;
    char text[64] = "";
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value)
            break;
    }
    if (std::strchr(text, 'e'))
        std::snprintf(text, sizeof text, "%.9f", static_cast<double>(value));
    return text;
}

} // namespace modules
