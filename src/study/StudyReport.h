#pragma once

#include "study/RunProcess.h"
#include "study/StudyPlan.h"

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace modules {

// What a combination's runs gave.
struct ConfigResult {
    std::vector<std::vector<double>> curves;              // best fitness per generation, one per complete run
    // The task's own columns: their names, and for each a curve per complete run.
    std::vector<std::string> measureNames;
    std::vector<std::vector<std::vector<double>>> measureCurves;
    std::vector<std::pair<unsigned, std::string>> failures; // seed and error line of each failed run
};

// Reads every complete run of the plan from runs/ in `dir`; failures come from `outcomes`.
std::vector<ConfigResult> collectResults(const StudyPlan& plan, const std::string& dir,
                                         const std::map<std::size_t, RunOutcome>& outcomes);

// summary.csv: one row per combination.
std::string summaryCsv(const StudyPlan& plan, const std::vector<ConfigResult>& results);
// comparison.csv: one row per pair of combinations, Welch's test on the last generation's best.
std::string comparisonCsv(const StudyPlan& plan, const std::vector<ConfigResult>& results);
// The summary as a table for the terminal, with the p-values and the failed runs.
std::string summaryTable(const StudyPlan& plan, const std::vector<ConfigResult>& results);

// The last generation's best of each complete run.
std::vector<double> finalBests(const ConfigResult& result);
// `decimals` decimals (six, as the run CSVs); empty for an undefined value.
std::string reportNumber(double value, int decimals);

// A field quoted for CSV when it needs to be.
std::string csvField(const std::string& text);

} // namespace modules
