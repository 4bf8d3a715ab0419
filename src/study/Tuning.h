#pragma once

#include "study/StudyOptions.h"
#include "study/StudyPlan.h"
#include "study/StudyReport.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace modules {

// One setting of a combination's tuned parameters: option name (without dashes) and value.
using TuningSettings = std::vector<std::pair<std::string, std::string>>;

// "sigma=1.2 learning-rate=0.3"; "defaults" for no setting.
std::string settingsText(const TuningSettings& settings);

// The parameters tuned for a combination: tunable in the parameter table, used by the
// combination's method, and neither fixed nor varied by the study.
std::vector<std::string> tunedParameters(const StudyConfig& config, const StudyOptions& options);

// `count` candidate settings of `parameters` for `method`: the first is the method's
// defaults, the others a Latin hypercube over the parameters' ranges on their scales
// (each range cut into count - 1 equal strata, each stratum used once at a place drawn in
// it, paired across parameters by a fixed shuffle). The same arguments give the same candidates on
// every machine; nothing is drawn from rand().
std::vector<TuningSettings> tuningCandidates(const std::string& method, const std::vector<std::string>& parameters,
                                             unsigned count);

// The tuning stage of a study: every candidate of every combination that has something to
// tune, run on the tuning seeds.
struct Tuning {
    StudyPlan plan; // its combinations are (combination, candidate) pairs
    std::vector<std::size_t> configOf;    // per tuning combination: the compared combination
    std::vector<TuningSettings> settingsOf; // per tuning combination: the candidate
    std::vector<std::size_t> candidateOf; // per tuning combination: 1-based candidate number

    // Whether compared combination `config` has candidates (something to tune).
    bool tunes(std::size_t config) const;
};
Tuning makeTuning(const StudyPlan& compared, const StudyOptions& options);

// Per compared combination, the tuning combination with the highest mean final best over
// complete candidates (a candidate with a failed or missing run is not chosen; ties go to
// the lower number, the defaults first); npos when no candidate is complete, and for a
// combination with nothing to tune.
std::vector<std::size_t> chooseCandidates(const Tuning& tuning, const std::vector<ConfigResult>& results,
                                          std::size_t comparedCount);

// The compared plan with each combination's chosen settings added to its runs' arguments.
void applyChoices(StudyPlan& compared, const Tuning& tuning, const std::vector<std::size_t>& chosen);

// tuning.csv: one row per candidate, with its settings, mean final best and interval.
std::string tuningCsv(const Tuning& tuning, const StudyPlan& compared, const std::vector<ConfigResult>& results,
                      const std::vector<std::size_t>& chosen);
// The same as a table for the terminal, the chosen candidate of each combination marked.
std::string tuningTable(const Tuning& tuning, const StudyPlan& compared, const std::vector<ConfigResult>& results,
                        const std::vector<std::size_t>& chosen);

} // namespace modules
