#pragma once

#include "study/StudyOptions.h"

#include <cstddef>
#include <string>
#include <vector>

namespace modules {

// One combination of the varied parameters' values.
struct StudyConfig {
    std::string name;                // for file names: "selector-roulette_mutation-rate-0.05", "fixed"
    std::string label;               // for people: "selector=roulette mutation-rate=0.05"
    std::vector<std::string> values; // one per varied parameter
    std::vector<std::string> parameterArguments; // "--NAME", "V", ... for kinetarium-batch
    std::string tunedSettings; // in a tuned study: the settings its tuning chose
};

// One seeded run of one combination.
struct StudyRun {
    std::size_t config = 0;
    unsigned seed = 0;
};

// Every run of a study, in a fixed order: all combinations for the first seed, then for
// the next. Every process that reads the same options makes the same plan.
struct StudyPlan {
    std::vector<std::string> variedNames;
    std::vector<StudyConfig> configs; // the first varied parameter changes slowest
    std::vector<StudyRun> runs;
    long long generations = 0;
    bool tuned = false; // the combinations' arguments include settings chosen by tuning
};

StudyPlan makeStudyPlan(const StudyOptions& options);

// The method that kinetarium-batch arguments ("--NAME", "V", ...) choose: the default
// unless "--method" is among them.
std::string configMethod(const std::vector<std::string>& arguments);

// "CONFIG-seedS": the run's CSV is runs/CONFIG-seedS.csv in the output folder.
std::string runStem(const StudyPlan& plan, const StudyRun& run);

// The arguments of kinetarium-batch (without the program) for a run writing `csvPath`.
std::vector<std::string> batchArguments(const StudyPlan& plan, const StudyRun& run, const std::string& csvPath);

} // namespace modules
