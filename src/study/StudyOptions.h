#pragma once

#include <string>
#include <utility>
#include <vector>

namespace modules {

// A parameter of kinetarium-batch that takes several values in a study.
struct VariedParameter {
    std::string name; // without the dashes: "selector", "mutation-rate"
    std::vector<std::string> values;
};

// What one kinetarium-study command asks for.
struct StudyOptions {
    std::vector<VariedParameter> varied;                     // in the order given
    std::vector<std::pair<std::string, std::string>> fixed; // the other parameters given, as given
    unsigned firstSeed = 1;
    unsigned lastSeed = 10;
    long long generations = 10;
    std::string outDir;
    unsigned jobs = 1; // the number of cores unless given
    bool jobsGiven = false;
    bool help = false;
    // --tune: each combination's tunable parameters are first searched over
    // `tuneCandidates` settings, each run on the tuning seeds (never compared seeds).
    bool tune = false;
    unsigned tuneCandidates = 16;
    unsigned tuneFirstSeed = 0;
    unsigned tuneLastSeed = 0;
};

// The ten evolution parameters of kinetarium-batch, the method and its sigma and learning
// rate, by option name without the dashes.
const std::vector<std::string>& batchParameterNames();

// Reads the command line (argv[0] is the program). Every parameter value, varied or fixed,
// is checked by kinetarium-batch's own option parser. On --help returns true with `help`
// set; otherwise false with one line starting "Error: " in `error` when refused.
bool parseStudyOptions(int argc, const char* const* argv, StudyOptions& options, std::string& error);

// The text that --help prints.
std::string studyUsage(const std::string& program);

} // namespace modules
