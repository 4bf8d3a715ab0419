#pragma once

#include <vector>

namespace modules {

// The fitness of one finished generation, over all of its vehicles.
struct GenerationFitness {
    float best = 0.0f;  // highest vehicle fitness
    double mean = 0.0;   // mean vehicle fitness
    double median = 0.0; // middle value; the mean of the two middle ones for an even count
};

// Best, mean and median of a generation's fitness values (all 0 for none).
GenerationFitness summarizeFitness(const std::vector<float>& fitness);

} // namespace modules
