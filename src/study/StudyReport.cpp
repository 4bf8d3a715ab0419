#include "study/StudyReport.h"

#include "study/LearningCurves.h"
#include "study/RunCsv.h"
#include "study/Statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace modules {

namespace {

std::string number(double value, int decimals = 6)
{
    return reportNumber(value, decimals);
}

struct ConfigSummary {
    MeanInterval finalBest;
    double lastTenth = 0.0;
    double halfFinal = 0.0;
};

ConfigSummary summarise(const ConfigResult& result)
{
    ConfigSummary summary;
    summary.finalBest = meanWithInterval(finalBests(result));
    std::vector<double> tenths;
    std::vector<double> halves;
    for (const std::vector<double>& curve : result.curves) {
        tenths.push_back(lastTenthMean(curve));
        halves.push_back(halfFinalGeneration(curve));
    }
    summary.lastTenth = meanWithInterval(tenths).mean;
    summary.halfFinal = meanWithInterval(halves).mean;
    return summary;
}

std::string failureText(const ConfigResult& result)
{
    std::string text;
    for (const auto& [seed, error] : result.failures)
        text += (text.empty() ? "" : "; ") + std::string("seed ") + std::to_string(seed) + ": " + error;
    return text;
}

} // namespace

std::string reportNumber(double value, int decimals)
{
    if (std::isnan(value))
        return "";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::vector<double> finalBests(const ConfigResult& result)
{
    std::vector<double> values;
    for (const std::vector<double>& curve : result.curves)
        values.push_back(curve.back());
    return values;
}

std::string csvField(const std::string& text)
{
    if (text.find_first_of(",\"\n\r") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c == '\n' || c == '\r' ? ' ' : c;
    }
    return quoted + "\"";
}

std::vector<ConfigResult> collectResults(const StudyPlan& plan, const std::string& dir,
                                         const std::map<std::size_t, RunOutcome>& outcomes)
{
    std::vector<ConfigResult> results(plan.configs.size());
    for (std::size_t i = 0; i < plan.runs.size(); ++i) {
        const StudyRun& run = plan.runs[i];
        RunColumns columns;
        if (readCompleteRun(dir + "/runs/" + runStem(plan, run) + ".csv", plan.generations, columns)) {
            ConfigResult& result = results[run.config];
            result.curves.push_back(columns.best);
            // A combination's runs share a task, hence its columns.
            result.measureNames = columns.measureNames;
            result.measureCurves.resize(columns.measures.size());
            for (std::size_t m = 0; m < columns.measures.size(); ++m)
                result.measureCurves[m].push_back(columns.measures[m]);
            continue;
        }
        const auto outcome = outcomes.find(i);
        if (outcome != outcomes.end() && !outcome->second.done && !outcome->second.interrupted)
            results[run.config].failures.emplace_back(run.seed, outcome->second.error);
    }
    return results;
}

std::string summaryCsv(const StudyPlan& plan, const std::vector<ConfigResult>& results)
{
    std::string text = "config";
    for (const std::string& name : plan.variedNames)
        text += "," + name;
    text += ",seeds,failed_runs,final_best_mean,final_best_ci95_low,final_best_ci95_high,last_tenth_best_mean,"
            "half_final_generation_mean,failures";
    text += plan.tuned ? ",tuned_settings" : "";
    // The tasks' own columns: the last generation's value (mean over the runs), and the runs
    // in which it was ever above 0 (for the maze: runs in which a vehicle reached the goal).
    const std::vector<std::string> measures = studyMeasureNames(results);
    for (const std::string& name : measures)
        text += "," + name + "_final_mean," + name + "_runs_above_0";
    text += "\n";
    for (std::size_t c = 0; c < plan.configs.size(); ++c) {
        const ConfigResult& result = results[c];
        const ConfigSummary summary = summarise(result);
        text += csvField(plan.configs[c].name);
        for (const std::string& value : plan.configs[c].values)
            text += "," + csvField(value);
        text += "," + std::to_string(result.curves.size()) + "," + std::to_string(result.failures.size()) + "," +
                number(summary.finalBest.mean) + "," + number(summary.finalBest.low) + "," +
                number(summary.finalBest.high) + "," + number(summary.lastTenth) + "," + number(summary.halfFinal) +
                "," + csvField(failureText(result)) +
                (plan.tuned ? "," + csvField(plan.configs[c].tunedSettings) : std::string());
        for (const std::string& name : measures) {
            const auto found = std::find(result.measureNames.begin(), result.measureNames.end(), name);
            if (found == result.measureNames.end()) {
                text += ",,";
                continue;
            }
            std::vector<double> finals;
            int above = 0;
            for (const std::vector<double>& curve : result.measureCurves[static_cast<std::size_t>(found - result.measureNames.begin())]) {
                finals.push_back(curve.back());
                above += std::any_of(curve.begin(), curve.end(), [](double v) { return v > 0.0; }) ? 1 : 0;
            }
            text += "," + number(meanWithInterval(finals).mean) + "," + std::to_string(above);
        }
        text += "\n";
    }
    return text;
}

std::string comparisonCsv(const StudyPlan& plan, const std::vector<ConfigResult>& results)
{
    std::string text = "config_a,config_b,final_best_mean_a,final_best_mean_b,welch_t,welch_df,p_value\n";
    for (std::size_t a = 0; a < plan.configs.size(); ++a) {
        for (std::size_t b = a + 1; b < plan.configs.size(); ++b) {
            const std::vector<double> finalA = finalBests(results[a]);
            const std::vector<double> finalB = finalBests(results[b]);
            const WelchTest test = welchTest(finalA, finalB);
            text += csvField(plan.configs[a].name) + "," + csvField(plan.configs[b].name) + "," +
                    number(meanWithInterval(finalA).mean) + "," + number(meanWithInterval(finalB).mean) + "," +
                    number(test.t) + "," + number(test.degreesOfFreedom) + "," + number(test.pValue, 8) + "\n";
        }
    }
    return text;
}

std::string summaryTable(const StudyPlan& plan, const std::vector<ConfigResult>& results)
{
    std::vector<std::vector<std::string>> rows;
    rows.push_back({"combination", "seeds", "final best", "95% CI", "last tenth", "half-final gen", "failed"});
    for (std::size_t c = 0; c < plan.configs.size(); ++c) {
        const ConfigSummary summary = summarise(results[c]);
        const std::string ci = std::isnan(summary.finalBest.low)
                                   ? "-"
                                   : number(summary.finalBest.low, 2) + " .. " + number(summary.finalBest.high, 2);
        rows.push_back({plan.configs[c].label, std::to_string(results[c].curves.size()),
                        std::isnan(summary.finalBest.mean) ? "-" : number(summary.finalBest.mean, 2), ci,
                        std::isnan(summary.lastTenth) ? "-" : number(summary.lastTenth, 2),
                        std::isnan(summary.halfFinal) ? "-" : number(summary.halfFinal, 1),
                        std::to_string(results[c].failures.size())});
    }
    std::vector<std::size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const std::string padding(widths[i] - row[i].size(), ' ');
            // Names left-aligned, numbers right-aligned.
            line += (i ? "  " : "") + (i ? padding + row[i] : row[i] + padding);
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        text += line + "\n";
    }
    if (plan.tuned) {
        text += "\nSettings chosen by tuning:\n";
        for (const StudyConfig& config : plan.configs)
            text += "  " + config.label + ": " + config.tunedSettings + "\n";
    }
    if (plan.configs.size() >= 2) {
        text += "\nWelch's t-test on the last generation's best fitness:\n";
        for (std::size_t a = 0; a < plan.configs.size(); ++a)
            for (std::size_t b = a + 1; b < plan.configs.size(); ++b) {
                const WelchTest test = welchTest(finalBests(results[a]), finalBests(results[b]));
                std::string p = "undefined (too few runs or no spread)";
                if (!std::isnan(test.pValue)) {
                    char digits[32];
                    std::snprintf(digits, sizeof digits, "%.4g", test.pValue);
                    p = digits;
                }
                text += "  " + plan.configs[a].label + " vs " + plan.configs[b].label + ": p = " + p + "\n";
            }
    }
    bool anyFailed = false;
    for (std::size_t c = 0; c < plan.configs.size(); ++c)
        for (const auto& [seed, error] : results[c].failures) {
            if (!anyFailed)
                text += "\nFailed runs:\n";
            anyFailed = true;
            text += "  " + plan.configs[c].label + " seed " + std::to_string(seed) + ": " + error + "\n";
        }
    return text;
}

} // namespace modules
