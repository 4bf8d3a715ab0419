#include "evolution/FitnessHistory.h"

#include <algorithm>

namespace modules {

GenerationFitness summarizeFitness(const std::vector<float>& fitness)
{
    GenerationFitness summary;
    if (fitness.empty())
        return summary;
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
    return summary;
}

int brainSize(const Brain& brain)
{
    int hidden = 0;
    for (const BrainNode& node : brain.picture().nodes)
        hidden += node.kind == BrainNode::HIDDEN;
    return brain.connectionCount() + hidden;
}

} // namespace modules
