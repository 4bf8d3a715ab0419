#include "methods/neat/NeatNetwork.h"

#include "methods/neat/NeatGenome.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace modules {

NeatNetwork::NeatNetwork(const NeatGenome& genome, int inputs, int outputs)
    : inputCount(inputs)
    , outputCount(outputs)
    , values(genome.nodes.size(), 0.0f)
{
    // Inputs and outputs hold the first places (the genome's node order), so a step reads
    // and writes them by position.
    std::map<int, int> indexOf;
    for (size_t k = 0; k < genome.nodes.size(); ++k)
        indexOf[genome.nodes[k].id] = static_cast<int>(k);
    const size_t count = genome.nodes.size();
    std::vector<std::vector<int>> incoming(count);
    std::vector<std::vector<int>> outgoing(count);
    for (size_t c = 0; c < genome.connections.size(); ++c) {
        const ConnectionGene& gene = genome.connections[c];
        if (!gene.enabled)
            continue;
        const int from = indexOf.at(gene.from);
        const int to = indexOf.at(gene.to);
        incoming[to].push_back(static_cast<int>(c));
        outgoing[from].push_back(to);
        links.push_back({from, to, gene.weight});
    }

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
        for (int c : incoming[node]) {
            const int from = indexOf.at(genome.connections[c].from);
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

    // Kahn's algorithm, lowest place first among the ready ones; also the depth columns
    // (a hidden node without sources still stands right of the inputs).
    std::vector<int> waiting(count, 0);
    for (size_t k = 0; k < count; ++k) {
        waiting[k] = static_cast<int>(incoming[k].size());
        columns.push_back(kinds[k] == BrainNode::INPUT ? 0 : 1);
    }
    std::vector<int> ready;
    for (size_t k = 0; k < count; ++k)
        if (waiting[k] == 0)
            ready.push_back(static_cast<int>(k));
    std::vector<int> order;
    while (!ready.empty()) {
        const auto lowest = std::min_element(ready.begin(), ready.end());
        const int node = *lowest;
        ready.erase(lowest);
        order.push_back(node);
        for (int to : outgoing[node]) {
            columns[to] = std::max(columns[to], columns[node] + 1);
            if (--waiting[to] == 0)
                ready.push_back(to);
        }
    }

    for (int node : order) {
        const NodeGene& gene = genome.nodes[node];
        if (gene.kind == NodeGene::INPUT || !needed[node])
            continue;
        const int first = static_cast<int>(stepLinks.size());
        for (int c : incoming[node])
            stepLinks.push_back({indexOf.at(genome.connections[c].from), genome.connections[c].weight});
        steps.push_back({node, gene.threshold, first, static_cast<int>(stepLinks.size())});
    }

    int last = 1;
    for (size_t k = 0; k < count; ++k)
        if (kinds[k] == BrainNode::HIDDEN)
            last = std::max(last, columns[k] + 1);
    for (size_t k = 0; k < count; ++k)
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
