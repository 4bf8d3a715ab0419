#pragma once

#include <string>
#include <vector>

namespace modules {

// Reads the best fitness of each generation from a CSV that kinetarium-batch wrote.
// True only for a whole run: the header, then rows for generations 1 to `generations`
// in order, each ending in a newline, nothing after them, every number one that a run
// can write (finite, not negative, a fitness up to 2^24). A run cut short or damaged fails.
bool readCompleteRun(const std::string& path, long long generations, std::vector<double>& bestPerGeneration);

// The whole file as text; false when it cannot be read.
bool readWholeFile(const std::string& path, std::string& text);

} // namespace modules
