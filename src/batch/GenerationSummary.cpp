#include "batch/GenerationSummary.h"

#include <cstdio>

namespace modules {

std::string csvHeader()
{
    return "generation,best_fitness,mean_fitness,median_fitness,steps,wall_seconds\n";
}

std::string csvRow(const GenerationSummary& summary)
{
    char row[256];
    std::snprintf(row, sizeof row, "%d,%.6f,%.6f,%.6f,%lld,%.6f\n", summary.generation,
                  static_cast<double>(summary.best), summary.mean, summary.median, summary.steps,
                  summary.wallSeconds);
    return row;
}

} // namespace modules
