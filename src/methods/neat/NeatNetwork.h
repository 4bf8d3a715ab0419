#pragma once

#include "brain/Brain.h"

#include <vector>

namespace modules {

struct NeatGenome;

// The network a NEAT genome describes, ready to run: the nodes that can reach an output
// through enabled connections, in topological order, with their incoming connections in
// flat arrays, so that a step allocates nothing. Each computing node works as the layered
// network's neurons do: a float sum of weight x input in the genome's connection order,
// minus the threshold, through 1 / (e^-x + 1), the same function and range; but in float
// precision (within a few units in the last place of the layered network's double-precision
// form), which makes a step about a third cheaper, so that grown networks with more nodes
// and deeper chains still step faster per vehicle than the layered network of as many
// connections.
class NeatNetwork : public Brain {
public:
    NeatNetwork(const NeatGenome& genome, int inputs, int outputs);

    void process(const std::vector<float>& inputs, std::vector<float>& outputs) override;
    std::unique_ptr<Brain> clone() const override;
    // Nodes in the genome's order; inputs in column 0, a hidden node one column right of
    // its deepest source, outputs in the last column; enabled connections only.
    BrainPicture picture() const override;
    int connectionCount() const override;

private:
    int inputCount;
    int outputCount;
    std::vector<float> values; // per node of the genome, in its order
    // Computing steps in topological order, each reading links [first, end).
    struct Step {
        int node;
        float threshold;
        int first;
        int end;
    };
    struct Link {
        int source;
        float weight;
    };
    std::vector<Step> steps;
    std::vector<Link> stepLinks;
    // For picture().
    std::vector<BrainNode::Kind> kinds;
    std::vector<int> columns;
    std::vector<BrainLink> links;
};

} // namespace modules
