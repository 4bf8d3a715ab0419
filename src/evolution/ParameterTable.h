#pragma once

#include "evolution/EvolutionParams.h"

#include <string>
#include <vector>

namespace modules {

// How a study's tuning searches a parameter: not at all, evenly over its range, or evenly
// over the logarithm of its range (for step sizes and rates spanning decades).
enum class TuneScale { NONE, LINEAR, LOG };

struct TuneRange {
    TuneScale scale = TuneScale::NONE;
    double low = 0.0;
    double high = 0.0;
};

// A parameter of a run as options and files name it. Exactly one of the three fields is set;
// a parameter with `choices` holds the index of its named value in the int field.
struct ParameterInfo {
    const char* option; // "--mutation-rate"
    float EvolutionParams::*floatField;
    int EvolutionParams::*intField;
    const char* help;
    TuneRange tune = {};
    std::vector<std::string> choices = {};
    // The method's own step sizes: their defaults are the method's (see MethodRegistry).
    bool methodOwn = false;
    // Fixed by a saved population's genomes (their number, a network's length): a loaded
    // run cannot take another value.
    bool fixedByGenomes = false;
    // The methods, by name, that use it; empty for the arena's parameters, which every
    // method's runs use.
    std::vector<std::string> usedBy = {};
    // The tasks, by name, that use it; empty for parameters every task uses.
    std::vector<std::string> tasks = {};
    // A file name or other text (the maze file), when neither number field is set.
    std::string EvolutionParams::*textField = nullptr;
    // The largest value a run may start with (0: no bound here), and how the refusal names
    // a value beyond it: "a population of %ls is", "%ls items are".
    double maximum = 0.0;
    const wchar_t* overLimit = nullptr;
    // The objectives (OBJECTIVE_NAMES) under which it is used; empty for any.
    std::vector<std::string> objectives = {};
    // The population file version that added it: older files hold runs at its default.
    int fileVersion = 1;

    std::string name() const { return option + 2; }
    // Its key in population files: "mutation_rate".
    std::string fileKey() const
    {
        std::string key = name();
        for (char& c : key)
            if (c == '-')
                c = '_';
        return key;
    }
};

// The evolution parameters in the panel's order (the selector after the elite count), then
// the methods' sigma and learning rate. The method itself is chosen by name elsewhere.
const std::vector<ParameterInfo>& evolutionParameters();
// The parameter called `name` (without the dashes), or null.
const ParameterInfo* findParameter(const std::string& name);

// The parameter's value in `params` as a number (0 for a text).
double parameterValue(const ParameterInfo& parameter, const EvolutionParams& params);

// Whether a run with `params` (its method, task and objective) uses the parameter.
bool runUses(const ParameterInfo& parameter, const EvolutionParams& params);
// Whether runs with the objective `objective` (by name) use the parameter.
bool objectiveUses(const ParameterInfo& parameter, const std::string& objective);
// Whether runs of `task` use the parameter.
bool taskUses(const ParameterInfo& parameter, const std::string& task);
// The tasks that use the parameter, by name: "collect, forage".
std::string tasksUsing(const ParameterInfo& parameter);

// The parameter's value in `params` as options take it: "0.05", "tournament", "4".
std::string parameterText(const ParameterInfo& parameter, const EvolutionParams& params);

} // namespace modules
