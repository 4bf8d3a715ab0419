#pragma once

#include <string>
#include <vector>

namespace modules {

// One finished generation as the batch runner records it.
struct GenerationSummary {
    int generation = 0;     // 1 for the first finished generation
    float best = 0.0f;      // highest vehicle fitness
    double mean = 0.0;      // mean vehicle fitness
    double median = 0.0;    // middle value; the mean of the two middle ones for an even count
    long long steps = 0;    // simulation steps the generation took
    double wallSeconds = 0; // wall-clock time it took, the generation cycle included
    int species = 1;        // the method's species in the generation (1 without species)
    double genomeSize = 0;  // mean connections in use plus hidden nodes of its networks
    std::vector<double> measures; // the task's own columns, after the others
};

// The CSV header line and one row, each ending in a newline. The fitness columns are
// printed with fixed decimals so that equal runs give byte-identical text. A task's own
// columns (`measureNames`) follow the others.
std::string csvHeader(const std::vector<std::string>& measureNames = {});
std::string csvRow(const GenerationSummary& summary);

} // namespace modules
