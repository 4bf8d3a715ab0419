#pragma once

#include "methods/neat/NeatGenome.h"

namespace modules {

// A niche of similar genomes. Its members are the genomes whose `species` is its id; new
// genomes are measured against the representative, a member of the previous generation.
struct NeatSpecies {
    int id = 0;
    NeatGenome representative;
    int age = 0;              // generations evaluated
    bool evaluated = false;   // whether bestFitness holds anything yet
    double bestFitness = 0.0; // best member fitness ever
    int stagnant = 0;         // generations since bestFitness last rose
};

} // namespace modules
