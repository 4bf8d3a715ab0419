#include "batch/GenerationSummary.h"

#include <cstdio>

namespace modules {

std::string csvHeader(const std::vector<std::string>& measureNames)
{
    std::string header = "generation,best_fitness,mean_fitness,median_fitness,steps,wall_seconds,species,mean_genome_size";
    for (const std::string& name : measureNames)
        header += "," + name;
    return header + "\n";
}

std::string csvRow(const GenerationSummary& summary)
{
    char row[256];
    std::snprintf(row, sizeof row, "%d,%.6f,%.6f,%.6f,%lld,%.6f,%d,%.6f\n", summary.generation,
                  static_cast<double>(summary.best), summary.mean, summary.median, summary.steps,
                  summary.wallSeconds, summary.species, summary.genomeSize);
    std::string text = row;
    text.pop_back();
    for (const double value : summary.measures) {
        std::snprintf(row, sizeof row, ",%.6f", value);
        text += row;
    }
    return text + "\n";
}

} // namespace modules
