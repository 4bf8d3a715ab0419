#pragma once

#include <string>
#include <vector>

namespace modules {

// Reads the best fitness of each generation from a CSV that kinetarium-batch wrote.
// True only for a whole run: the header, then rows for generations 1 to `generations`
// in order, each ending in a newline, nothing after them, every number one that a run
// can write (finite, a fitness from -2^24 to 2^24, the rest not negative). A run cut short or
// damaged fails.
bool readCompleteRun(const std::string& path, long long generations, std::vector<double>& bestPerGeneration);

// A complete run's columns that studies summarise: the best fitness of each generation and the
// task's own columns (named in the header after the others), each a value per generation.
struct RunColumns {
    std::vector<double> best;
    std::vector<std::string> measureNames;
    std::vector<std::vector<double>> measures; // measures[m][generation - 1]
};
// The same with the task's own columns, which the header names after the others.
bool readCompleteRun(const std::string& path, long long generations, RunColumns& run);

// The whole file as text; false when it cannot be read.
bool readWholeFile(const std::string& path, std::string& text);

} // namespace modules
