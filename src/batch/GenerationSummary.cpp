#include "batch/GenerationSummary.h"

#include <cstdio>

namespace modules {

std::string csvHeader()
{
    return "generation,best_fitness,mean_fitness,median_fitness,steps,wall_seconds,species,mean_genome_size\n";
}

std::string csvRow(const GenerationSummary& summary)
{
    char row[256];
    std::snprintf(row, sizeof row, "%d,%.6f,%.6f,%.6f,%lld,%.6f,%d,%.6f\n", summary.generation,
                  static_cast<double>(summary.best), summary.mean, summary.median, summary.steps,
                  summary.wallSeconds, summary.species, summary.genomeSize);
    return row;
}

} // namespace modules
