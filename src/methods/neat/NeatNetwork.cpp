#include "methods/neat/NeatNetwork.h"

#include "methods/neat/GenomeGraph.h"
#include "methods/neat/NeatGenome.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace modules {

NeatNetwork::NeatNetwork(const NeatGenome& genome, int inputs, int outputs)
    : inputCount(inputs)
    , outputCount(outputs)
    , values(genome.nodes.size(), 0.0f)
{
    // Inputs and outputs hold the first places (the genome's node order), so a step reads
    // and writes them by position. Everything here is linear in the genome (up to the
    // logarithms of looking nodes up and of the ready queue).
    const GenomeGraph graph(genome, true);
    const int count = graph.size();
    for (size_t c = 0; c < genome.connections.size(); ++c)
        if (graph.source(static_cast<int>(c)) >= 0)
            links.push_back({graph.source(static_cast<int>(c)), graph.target(static_cast<int>(c)),
                             genome.connections[c].weight});

    // Only nodes that reach an output change what comes out.
    std::vector<bool> needed(count, false);
    std::vector<int> stack;
    for (int o = 0; o < outputs; ++o) {
        needed[inputs + o] = true;
        stack.push_back(inputs + o);
    }
    while (!stack.empty()) {
        const int node = stack.back();
        stack.pop_back();
        for (const int* c = graph.inBegin(node); c != graph.inEnd(node); ++c) {
            const int from = graph.source(*c);
            if (!needed[from]) {
                needed[from] = true;
                stack.push_back(from);
            }
        }
    }

    for (const NodeGene& gene : genome.nodes)
        kinds.push_back(gene.kind == NodeGene::INPUT    ? BrainNode::INPUT
                        : gene.kind == NodeGene::OUTPUT ? BrainNode::OUTPUT
                                                        : BrainNode::HIDDEN);

    // The depth columns (a hidden node without sources still stands right of the inputs).
    const std::vector<int> order = graph.topologicalOrder();
    for (int k = 0; k < count; ++k)
        columns.push_back(kinds[k] == BrainNode::INPUT ? 0 : 1);
    for (int node : order)
        for (const int* c = graph.outBegin(node); c != graph.outEnd(node); ++c)
            columns[graph.target(*c)] = std::max(columns[graph.target(*c)], columns[node] + 1);

    for (int node : order) {
        const NodeGene& gene = genome.nodes[node];
        if (gene.kind == NodeGene::INPUT || !needed[node])
            continue;
        const int first = static_cast<int>(stepLinks.size());
        for (const int* c = graph.inBegin(node); c != graph.inEnd(node); ++c)
            stepLinks.push_back({graph.source(*c), genome.connections[*c].weight});
        steps.push_back({node, gene.threshold, first, static_cast<int>(stepLinks.size())});
    }

    int last = 1;
    for (int k = 0; k < count; ++k)
        if (kinds[k] == BrainNode::HIDDEN)
            last = std::max(last, columns[k] + 1);
    for (int k = 0; k < count; ++k)
        if (kinds[k] == BrainNode::OUTPUT)
            columns[k] = last;
}

void NeatNetwork::process(const std::vector<float>& inputs, std::vector<float>& outputs)
{
    if (static_cast<int>(inputs.size()) != inputCount) {
        std::puts("Error: NeatNetwork::process: incorrect number of inputs given");
        return;
    }
    float* value = values.data();
    std::copy(inputs.begin(), inputs.end(), value);
    const Link* link = stepLinks.data();
    for (const Step& step : steps) {
        float sum = 0.0f;
        for (const Link* l = link + step.first, *end = link + step.end; l != end; ++l)
            sum += l->weight * value[l->source];
        const float x = sum - step.threshold;
        value[step.node] = 1.0f / (std::exp(-x) + 1.0f); // e^88.8 and beyond: infinity, so 0
    }
    outputs.resize(outputCount);
    for (int o = 0; o < outputCount; ++o)
        outputs[o] = value[inputCount + o];
}

std::unique_ptr<Brain> NeatNetwork::clone() const
{
    return std::make_unique<NeatNetwork>(*this);
}

BrainPicture NeatNetwork::picture() const
{
    BrainPicture picture;
    for (size_t k = 0; k < values.size(); ++k) {
        BrainNode node;
        node.kind = kinds[k];
        node.column = columns[k];
        node.activation = values[k];
        picture.nodes.push_back(node);
    }
    picture.links = links;
    return picture;
}

int NeatNetwork::connectionCount() const
{
    return static_cast<int>(links.size());
}

} // namespace modules
