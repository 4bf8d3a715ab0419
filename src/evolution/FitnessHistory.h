#pragma once

#include "brain/Brain.h"

#include <vector>

namespace modules {

// The fitness of one finished generation, over all of its vehicles.
struct GenerationFitness {
    float best = 0.0f;  // highest vehicle fitness
    double mean = 0.0;   // mean vehicle fitness
    double median = 0.0; // middle value; the mean of the two middle ones for an even count
    // What the method grew: the generation's species (1 for methods without species) and the
    // mean size of its networks in connections in use plus hidden nodes.
    int species = 1;
    double genomeSize = 0.0;
};

// Best, mean and median of a generation's fitness values (all 0 for none).
GenerationFitness summarizeFitness(const std::vector<float>& fitness);
// Connections in use plus hidden nodes: the size of a network in the terms NEAT grows it.
int brainSize(const Brain& brain);

} // namespace modules
