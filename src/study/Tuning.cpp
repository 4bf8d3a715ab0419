#include "study/Tuning.h"

#include "evolution/ParameterTable.h"
#include "methods/MethodRandom.h"
#include "methods/MethodRegistry.h"
#include "study/Statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numeric>

namespace modules {

namespace {

// Three significant digits, without an exponent (options take digits and '.').
std::string threeDigits(double value)
{
    if (value <= 0.0)
        return "0";
    const int exponent = static_cast<int>(std::floor(std::log10(value)));
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", std::max(0, 2 - exponent), value);
    return text;
}

// The value at `u` (0..1) of the parameter's range on its scale, as the option takes it.
std::string valueAt(const ParameterInfo& parameter, double u)
{
    if (!parameter.choices.empty()) {
        const std::size_t n = parameter.choices.size();
        return parameter.choices[std::min(n - 1, static_cast<std::size_t>(u * static_cast<double>(n)))];
    }
    const TuneRange& range = parameter.tune;
    const double value = range.scale == TuneScale::LOG
                             ? std::exp(std::log(range.low) + u * (std::log(range.high) - std::log(range.low)))
                             : range.low + u * (range.high - range.low);
    return parameter.intField ? std::to_string(static_cast<long long>(std::lround(value))) : threeDigits(value);
}

} // namespace

std::string settingsText(const TuningSettings& settings)
{
    std::string text;
    for (const auto& [name, value] : settings)
        text += (text.empty() ? "" : " ") + name + "=" + value;
    return text.empty() ? "defaults" : text;
}

std::vector<std::string> tunedParameters(const StudyConfig& config, const StudyOptions& options)
{
    const MethodInfo* method = findMethod(configMethod(config.parameterArguments));
    const std::vector<std::string>& own = methodOptions();
    std::string objective = OBJECTIVE_NAMES[0];
    for (std::size_t i = 0; i + 1 < config.parameterArguments.size(); i += 2)
        if (config.parameterArguments[i] == "--objective")
            objective = config.parameterArguments[i + 1];
    std::vector<std::string> names;
    for (const ParameterInfo& parameter : evolutionParameters()) {
        const std::string name = parameter.name();
        if (parameter.tune.scale == TuneScale::NONE || !method || !objectiveUses(parameter, objective))
            continue;
        if (std::find(own.begin(), own.end(), name) != own.end() && !methodUses(*method, name))
            continue;
        const bool given = std::any_of(options.fixed.begin(), options.fixed.end(),
                                       [&](const auto& fixed) { return fixed.first == name; }) ||
                           std::any_of(options.varied.begin(), options.varied.end(),
                                       [&](const VariedParameter& varied) { return varied.name == name; });
        if (!given)
            names.push_back(name);
    }
    return names;
}

std::vector<TuningSettings> tuningCandidates(const std::string& method, const std::vector<std::string>& parameters,
                                             unsigned count)
{
    EvolutionParams defaults;
    chooseMethod(defaults, method);
    std::vector<TuningSettings> candidates(parameters.empty() ? 1 : std::max(1u, count));
    const std::size_t strata = candidates.size() - 1;
    // A fixed splitmix64 stream for the shuffles and places, apart from the runs' own
    // generators: the same candidates everywhere.
    std::uint64_t state = 0x6B696E6574617269ULL;
    for (const std::string& name : parameters) {
        const ParameterInfo& parameter = *findParameter(name);
        candidates[0].emplace_back(name, parameterText(parameter, defaults));
        std::vector<std::size_t> order(strata);
        std::iota(order.begin(), order.end(), 0);
        for (std::size_t i = strata; i > 1; --i)
            std::swap(order[i - 1], order[splitmix64(state) % i]);
        // A random place in each stratum, not its middle: the middles of an odd count
        // would repeat the defaults that sit at the middle of a range.
        for (std::size_t k = 0; k < strata; ++k) {
            const double within = static_cast<double>(splitmix64(state) >> 11) * 0x1.0p-53;
            candidates[k + 1].emplace_back(
                name, valueAt(parameter, (static_cast<double>(order[k]) + within) / static_cast<double>(strata)));
        }
    }
    return candidates;
}

bool Tuning::tunes(std::size_t config) const
{
    return std::find(configOf.begin(), configOf.end(), config) != configOf.end();
}

Tuning makeTuning(const StudyPlan& compared, const StudyOptions& options)
{
    Tuning tuning;
    tuning.plan.generations = compared.generations;
    tuning.plan.variedNames = compared.variedNames;
    for (std::size_t c = 0; c < compared.configs.size(); ++c) {
        const StudyConfig& config = compared.configs[c];
        const std::vector<TuningSettings> candidates = tuningCandidates(
            configMethod(config.parameterArguments), tunedParameters(config, options), options.tuneCandidates);
        if (candidates.size() < 2)
            continue; // nothing to tune: its defaults are its setting
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            StudyConfig candidate = config;
            const std::string number = std::to_string(k + 1);
            candidate.name = config.name + "_candidate-" + number;
            candidate.label = config.label + " candidate " + number;
            for (const auto& [name, value] : candidates[k]) {
                candidate.parameterArguments.push_back("--" + name);
                candidate.parameterArguments.push_back(value);
            }
            tuning.plan.configs.push_back(candidate);
            tuning.configOf.push_back(c);
            tuning.settingsOf.push_back(candidates[k]);
            tuning.candidateOf.push_back(k + 1);
        }
    }
    for (unsigned long long seed = options.tuneFirstSeed; seed <= options.tuneLastSeed; ++seed)
        for (std::size_t t = 0; t < tuning.plan.configs.size(); ++t)
            tuning.plan.runs.push_back({t, static_cast<unsigned>(seed)});
    return tuning;
}

std::vector<std::size_t> chooseCandidates(const Tuning& tuning, const std::vector<ConfigResult>& results,
                                          std::size_t comparedCount)
{
    const std::size_t seeds = tuning.plan.configs.empty() ? 0 : tuning.plan.runs.size() / tuning.plan.configs.size();
    std::vector<std::size_t> chosen(comparedCount, static_cast<std::size_t>(-1));
    std::vector<double> best(comparedCount, -INFINITY);
    for (std::size_t t = 0; t < tuning.plan.configs.size(); ++t) {
        if (results[t].curves.size() != seeds)
            continue;
        const double mean = meanWithInterval(finalBests(results[t])).mean;
        const std::size_t c = tuning.configOf[t];
        if (mean > best[c]) { // strictly: a tie keeps the earlier candidate
            best[c] = mean;
            chosen[c] = t;
        }
    }
    return chosen;
}

void applyChoices(StudyPlan& compared, const Tuning& tuning, const std::vector<std::size_t>& chosen)
{
    compared.tuned = true;
    for (std::size_t c = 0; c < compared.configs.size(); ++c) {
        StudyConfig& config = compared.configs[c];
        if (!tuning.tunes(c)) {
            config.tunedSettings = "nothing to tune";
            continue;
        }
        const TuningSettings& settings = tuning.settingsOf[chosen[c]];
        for (const auto& [name, value] : settings) {
            config.parameterArguments.push_back("--" + name);
            config.parameterArguments.push_back(value);
        }
        config.tunedSettings = settingsText(settings);
    }
}

std::string tuningCsv(const Tuning& tuning, const StudyPlan& compared, const std::vector<ConfigResult>& results,
                      const std::vector<std::size_t>& chosen)
{
    std::string text = "config,candidate,settings,seeds,failed_runs,final_best_mean,final_best_ci95_low,"
                       "final_best_ci95_high,chosen\n";
    for (std::size_t t = 0; t < tuning.plan.configs.size(); ++t) {
        const MeanInterval interval = meanWithInterval(finalBests(results[t]));
        text += csvField(compared.configs[tuning.configOf[t]].name) + "," + std::to_string(tuning.candidateOf[t]) +
                "," + csvField(settingsText(tuning.settingsOf[t])) + "," + std::to_string(results[t].curves.size()) +
                "," + std::to_string(results[t].failures.size()) + "," + reportNumber(interval.mean, 6) + "," +
                reportNumber(interval.low, 6) + "," + reportNumber(interval.high, 6) + "," +
                (chosen[tuning.configOf[t]] == t ? "yes" : "no") + "\n";
    }
    return text;
}

std::string tuningTable(const Tuning& tuning, const StudyPlan& compared, const std::vector<ConfigResult>& results,
                        const std::vector<std::size_t>& chosen)
{
    std::string text;
    for (std::size_t c = 0; c < compared.configs.size(); ++c) {
        text += "Tuning " + compared.configs[c].label + ":";
        bool any = false;
        for (std::size_t t = 0; t < tuning.plan.configs.size(); ++t) {
            if (tuning.configOf[t] != c)
                continue;
            any = true;
            const MeanInterval interval = meanWithInterval(finalBests(results[t]));
            const bool complete = !results[t].curves.empty() && results[t].failures.empty();
            text += std::string("\n  ") + (chosen[c] == t ? "* " : "  ") + std::to_string(tuning.candidateOf[t]) +
                    ". " + settingsText(tuning.settingsOf[t]) + ": " +
                    (complete ? reportNumber(interval.mean, 2) + (std::isnan(interval.low) ? std::string()
                                                             : " [" + reportNumber(interval.low, 2) + ", " +
                                                                   reportNumber(interval.high, 2) + "]")
                              : std::to_string(results[t].failures.size()) + " failed run(s)");
        }
        text += any ? "\n" : " nothing to tune (every tunable parameter it uses is given)\n";
    }
    return text;
}

} // namespace modules
