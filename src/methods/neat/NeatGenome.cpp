#include "methods/neat/NeatGenome.h"

#include "methods/MethodRandom.h"
#include "methods/neat/GenomeGraph.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace modules {

const NodeGene* NeatGenome::findNode(int id) const
{
    const auto it = std::lower_bound(nodes.begin(), nodes.end(), id,
                                     [](const NodeGene& node, int value) { return node.id < value; });
    return it != nodes.end() && it->id == id ? &*it : nullptr;
}

int NeatGenome::enabledConnectionCount() const
{
    return static_cast<int>(std::count_if(connections.begin(), connections.end(),
                                          [](const ConnectionGene& c) { return c.enabled; }));
}

int NeatGenome::hiddenCount() const
{
    return static_cast<int>(std::count_if(nodes.begin(), nodes.end(),
                                          [](const NodeGene& n) { return n.kind == NodeGene::HIDDEN; }));
}

float drawWeight(float range, MethodRandom& random)
{
    return static_cast<float>((2.0 * random.uniform() - 1.0) * range);
}

NeatGenome minimalGenome(int inputs, int outputs, float weightRange, MethodRandom& random)
{
    NeatGenome genome;
    for (int i = 0; i < inputs; ++i)
        genome.nodes.push_back({i, NodeGene::INPUT, 0.0f});
    for (int o = 0; o < outputs; ++o)
        genome.nodes.push_back({inputs + o, NodeGene::OUTPUT, drawWeight(weightRange, random)});
    for (int i = 0; i < inputs; ++i)
        for (int o = 0; o < outputs; ++o)
            genome.connections.push_back({i, inputs + o, drawWeight(weightRange, random), true, i * outputs + o});
    return genome;
}

bool reaches(const NeatGenome& genome, int from, int to)
{
    if (from == to)
        return true;
    const NodeGene* start = genome.findNode(from);
    const NodeGene* end = genome.findNode(to);
    if (!start || !end)
        return false;
    return GenomeGraph(genome, false).reaches(static_cast<int>(start - genome.nodes.data()),
                                              static_cast<int>(end - genome.nodes.data()));
}

std::string checkGenome(const NeatGenome& genome, int inputs, int outputs, int nodeIdBound, int innovationBound)
{
    if (static_cast<int>(genome.nodes.size()) < inputs + outputs)
        return "a genome lacks input or output nodes";
    for (size_t k = 0; k < genome.nodes.size(); ++k) {
        const NodeGene& node = genome.nodes[k];
        if (k > 0 && node.id <= genome.nodes[k - 1].id)
            return "a genome's node ids are not unique and ascending";
        const NodeGene::Kind expected = node.id < inputs ? NodeGene::INPUT
                                        : node.id < inputs + outputs ? NodeGene::OUTPUT
                                                                     : NodeGene::HIDDEN;
        if (static_cast<int>(k) < inputs + outputs && node.id != static_cast<int>(k))
            return "a genome lacks its input or output node " + std::to_string(k);
        if (node.kind != expected)
            return "a genome's node " + std::to_string(node.id) + " has the wrong kind";
        if (node.id >= nodeIdBound)
            return "a genome's node id " + std::to_string(node.id) + " was never handed out";
        if (!std::isfinite(node.threshold))
            return "a genome's threshold is not a finite number";
    }
    std::set<std::pair<int, int>> pairs;
    for (size_t k = 0; k < genome.connections.size(); ++k) {
        const ConnectionGene& c = genome.connections[k];
        if (k > 0 && c.innovation <= genome.connections[k - 1].innovation)
            return "a genome's innovation numbers are not unique and ascending";
        if (c.innovation < 0 || c.innovation >= innovationBound)
            return "a genome's innovation number " + std::to_string(c.innovation) + " was never handed out";
        const NodeGene* from = genome.findNode(c.from);
        const NodeGene* to = genome.findNode(c.to);
        if (!from || !to)
            return "a connection refers to a node the genome does not have";
        if (from->kind == NodeGene::OUTPUT || to->kind == NodeGene::INPUT)
            return "a connection leaves an output or enters an input";
        if (!std::isfinite(c.weight))
            return "a connection weight is not a finite number";
        if (!pairs.insert({c.from, c.to}).second)
            return "two connections join the same nodes";
    }
    // Kahn's algorithm over every connection: what is left over lies on a cycle.
    const size_t done = GenomeGraph(genome, false).topologicalOrder().size();
    if (done != genome.nodes.size())
        return "a genome's connections form a cycle";
    return {};
}

} // namespace modules
