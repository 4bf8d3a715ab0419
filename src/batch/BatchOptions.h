#pragma once

#include "evolution/EvolutionParams.h"

#include <string>

namespace modules {

// What one run of kinetarium-batch is asked to do.
struct BatchOptions {
    // The ten evolution parameters, with the panel's defaults.
    EvolutionParams params;
    // Generations to finish; 0 runs until interrupted.
    long long generations = 10;
    // The seed of rand(); when none is given the runner takes the current time.
    unsigned seed = 0;
    bool seedGiven = false;
    // Where the per-generation table goes; empty for none.
    std::string csvPath;
    bool help = false;
};

// Reads the command line (argv[0] is the program). Options take their value as the next
// argument or after '=' (--seed 7, --seed=7). The ten parameters are read by the panel's
// rules: only digits, '.' and '/', converted with wcstod, integers truncated toward zero
// and refused outside the 32-bit range. On --help returns true at once with `help` set.
// Otherwise false, with one line starting "Error: " in `error`, for an unknown option, a
// missing value or a value that is refused.
bool parseBatchOptions(int argc, const char* const* argv, BatchOptions& options, std::string& error);

// The text that --help prints: every option with its default.
std::string batchUsage(const std::string& program);

} // namespace modules
