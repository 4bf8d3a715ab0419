#pragma once

#include "evolution/EvolutionParams.h"

#include <string>
#include <vector>

namespace modules {

// What one run of kinetarium-batch is asked to do.
struct BatchOptions {
    // The ten evolution parameters, with the panel's defaults, and the method with its
    // parameters (its defaults unless given).
    EvolutionParams params;
    // Generations to finish; 0 runs until interrupted.
    long long generations = 10;
    // The seed of rand(); when none is given the runner takes the current time.
    unsigned seed = 0;
    bool seedGiven = false;
    // Where the per-generation table goes; empty for none.
    std::string csvPath;
    // The population file written when the run ends (and every `checkpointEvery`
    // generations when that is not 0); empty for none.
    std::string savePath;
    long long checkpointEvery = 0;
    // A population file to continue; empty for a new run.
    std::string loadPath;
    // The parameters given on the command line, as their option names ("--item-count"):
    // with --load they override the file's.
    std::vector<std::string> paramsGiven;
    bool help = false;
};

// Reads the command line (argv[0] is the program). Options take their value as the next
// argument or after '=' (--seed 7, --seed=7). The ten parameters are read by the panel's
// rules: only digits, '.' and '/', converted with wcstod, integers truncated toward zero
// and refused outside the 32-bit range. On --help returns true at once with `help` set.
// Otherwise false, with one line starting "Error: " in `error` (control characters in it
// shown escaped), for an unknown option, a missing value or a value that is refused.
bool parseBatchOptions(int argc, const char* const* argv, BatchOptions& options, std::string& error);

// A loaded run's parameters with those given on the command line put over them. `changed`
// gets the option names of the ones that change a value.
EvolutionParams overrideParams(const EvolutionParams& fromFile, const BatchOptions& options,
                               std::vector<std::string>& changed);

// False with one line "Error: ..." when an option given is one that `method` does not use
// (--sigma for "ga", --crossover-rate for "cmaes").
bool checkMethodOptions(const BatchOptions& options, const std::string& method, std::string& error);

// The same for an option that `task` does not use (--item-count for "maze").
bool checkTaskOptions(const BatchOptions& options, const std::string& task, std::string& error);
// The task's own CSV columns; none for an unknown task.
std::vector<std::string> taskMeasureNames(const std::string& task);
// Refuses an option given in `options` that the objective of `params` does not use (novelty
// search's under the fitness objective).
bool checkObjectiveOptions(const BatchOptions& options, const EvolutionParams& params, std::string& error);

// The text that --help prints: every option with its default.
std::string batchUsage(const std::string& program);

} // namespace modules
