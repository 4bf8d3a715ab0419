#include "batch/GenerationSummary.h"

#include <algorithm>
#include <cstdio>

namespace modules {

void summarizeFitness(const std::vector<float>& fitness, GenerationSummary& summary)
{
    summary.best = 0.0f;
    summary.mean = 0.0;
    summary.median = 0.0;
    if (fitness.empty())
        return;
    std::vector<float> sorted = fitness;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0.0;
    for (float value : sorted)
        sum += static_cast<double>(value);
    const size_t n = sorted.size();
    summary.best = sorted.back();
    summary.mean = sum / static_cast<double>(n);
    summary.median = n % 2 == 1
        ? static_cast<double>(sorted[n / 2])
        : (static_cast<double>(sorted[n / 2 - 1]) + static_cast<double>(sorted[n / 2])) / 2.0;
}

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
