#pragma once

#include <limits>
#include <string>
#include <vector>

namespace modules {

// The highest value any NEAT counter takes (node ids, innovation numbers, species ids,
// generations and ages): counters stop there, or structure stops growing, so nothing
// overflows and every saved number reads back; a state beyond it is refused.
constexpr int NEAT_COUNTER_LIMIT = std::numeric_limits<int>::max() / 2;

class MethodRandom;

// A neuron of a NEAT genome. Ids are fixed for the sensors and actuators: inputs are
// 0 .. inputs-1, outputs follow them, hidden nodes come after. Like the layered network's
// neurons, every computing node has a threshold subtracted before the activation.
struct NodeGene {
    enum Kind { INPUT, OUTPUT, HIDDEN };
    int id = 0;
    Kind kind = HIDDEN;
    float threshold = 0.0f; // unused for inputs
};

struct ConnectionGene {
    int from = 0;
    int to = 0;
    float weight = 0.0f;
    bool enabled = true;
    int innovation = 0; // historical marking: the same structural change has the same number
};

// Nodes sorted by id, connections sorted by innovation. Invariants kept by every operator:
// no two connections join the same pair, nothing flows into an input or out of an output,
// and the connections, disabled ones included, form no cycle, so re-enabling any of them
// keeps the network feed-forward.
struct NeatGenome {
    std::vector<NodeGene> nodes;
    std::vector<ConnectionGene> connections;
    int species = -1;
    double fitness = 0.0;

    const NodeGene* findNode(int id) const;
    int enabledConnectionCount() const;
    int hiddenCount() const;
    // Nodes plus connections: what a genome holds, bounded by maxNeatGenomeGenes.
    int geneCount() const { return static_cast<int>(nodes.size() + connections.size()); }
};

// Every input joined to every output, innovation input * outputs + output; weights and
// thresholds uniform in [-weightRange, weightRange].
NeatGenome minimalGenome(int inputs, int outputs, float weightRange, MethodRandom& random);

// A draw uniform in [-range, range].
float drawWeight(float range, MethodRandom& random);

// Whether a path of connections (enabled or not) leads from `from` to `to`; a node reaches
// itself.
bool reaches(const NeatGenome& genome, int from, int to);

// Empty when the genome keeps every invariant for this many inputs and outputs (and its
// numbers lie below the given bounds), else the first thing wrong with it.
std::string checkGenome(const NeatGenome& genome, int inputs, int outputs, int nodeIdBound, int innovationBound);

} // namespace modules
