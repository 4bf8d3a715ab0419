#include "methods/neat/NeatMutation.h"

#include "methods/MethodRandom.h"
#include "methods/neat/GenomeGraph.h"
#include "methods/neat/InnovationRecord.h"
#include "methods/neat/NeatGenome.h"
#include "methods/neat/NeatSettings.h"

#include <algorithm>
#include <vector>

namespace modules {

namespace {

void insertNode(NeatGenome& genome, const NodeGene& node)
{
    const auto at = std::lower_bound(genome.nodes.begin(), genome.nodes.end(), node.id,
                                     [](const NodeGene& n, int id) { return n.id < id; });
    genome.nodes.insert(at, node);
}

void insertConnection(NeatGenome& genome, const ConnectionGene& connection)
{
    const auto at = std::lower_bound(genome.connections.begin(), genome.connections.end(), connection.innovation,
                                     [](const ConnectionGene& c, int innovation) { return c.innovation < innovation; });
    genome.connections.insert(at, connection);
}

float perturb(float value, const NeatSettings& settings, float weightRange, MethodRandom& random)
{
    if (random.uniform() < settings.weightPerturbRate) {
        const double limit = settings.weightLimit * weightRange;
        const double moved = value + (2.0 * random.uniform() - 1.0) * settings.perturbationPower * weightRange;
        return static_cast<float>(std::max(-limit, std::min(limit, moved)));
    }
    return drawWeight(weightRange, random);
}

} // namespace

bool addNode(NeatGenome& genome, InnovationRecord& record, MethodRandom& random)
{
    if (!record.hasRoom(1, 2))
        return false;
    std::vector<size_t> enabled;
    for (size_t k = 0; k < genome.connections.size(); ++k)
        if (genome.connections[k].enabled)
            enabled.push_back(k);
    if (enabled.empty())
        return false;
    ConnectionGene& old = genome.connections[enabled[random.below(enabled.size())]];
    const InnovationRecord::Split made = record.split(old.innovation, old.from, old.to);
    // The same split twice in one genome within a generation cannot happen (one added node
    // per offspring); refusing it keeps node ids unique should that ever change.
    if (genome.findNode(made.node))
        return false;
    old.enabled = false;
    const ConnectionGene split = old; // `old` dangles once connections are inserted
    insertNode(genome, {made.node, NodeGene::HIDDEN, 0.0f});
    insertConnection(genome, {split.from, made.node, 1.0f, true, made.inInnovation});
    insertConnection(genome, {made.node, split.to, split.weight, true, made.outInnovation});
    return true;
}

bool addConnection(NeatGenome& genome, InnovationRecord& record, float weightRange, MethodRandom& random)
{
    if (!record.hasRoom(0, 1))
        return false;
    std::vector<int> sources;
    for (size_t k = 0; k < genome.nodes.size(); ++k)
        if (genome.nodes[k].kind != NodeGene::OUTPUT)
            sources.push_back(static_cast<int>(k));
    if (sources.empty())
        return false;
    // One source at a time, never a list of all pairs: that would grow with the square of
    // the genome. Few sources can have no free target (each needs nearly as many outgoing
    // connections as there are nodes after it), so the search ends soon.
    const GenomeGraph graph(genome, false);
    const size_t start = random.below(sources.size());
    for (size_t n = 0; n < sources.size(); ++n) {
        const int from = sources[(start + n) % sources.size()];
        // from -> to closes a cycle exactly when `to` already reaches `from`.
        std::vector<char> barred = graph.ancestors(from);
        for (const int* c = graph.outBegin(from); c != graph.outEnd(from); ++c)
            barred[graph.target(*c)] = 1;
        std::vector<int> targets;
        for (size_t k = 0; k < genome.nodes.size(); ++k)
            if (genome.nodes[k].kind != NodeGene::INPUT && !barred[k])
                targets.push_back(static_cast<int>(k));
        if (targets.empty())
            continue;
        const int fromId = genome.nodes[from].id;
        const int toId = genome.nodes[targets[random.below(targets.size())]].id;
        insertConnection(genome, {fromId, toId, drawWeight(weightRange, random), true, record.connection(fromId, toId)});
        return true;
    }
    return false;
}

bool reenableConnection(NeatGenome& genome, MethodRandom& random)
{
    std::vector<size_t> disabled;
    for (size_t k = 0; k < genome.connections.size(); ++k)
        if (!genome.connections[k].enabled)
            disabled.push_back(k);
    if (disabled.empty())
        return false;
    genome.connections[disabled[random.below(disabled.size())]].enabled = true;
    return true;
}

void mutateWeights(NeatGenome& genome, const NeatSettings& settings, float weightRange, MethodRandom& random)
{
    for (ConnectionGene& c : genome.connections)
        c.weight = perturb(c.weight, settings, weightRange, random);
    for (NodeGene& node : genome.nodes)
        if (node.kind != NodeGene::INPUT)
            node.threshold = perturb(node.threshold, settings, weightRange, random);
}

void mutateGenome(NeatGenome& genome, InnovationRecord& record, const NeatSettings& settings, float weightRange,
                  MethodRandom& random, int geneLimit)
{
    // A split adds three genes (a node, two connections), a connection one.
    if (random.uniform() < settings.addNodeRate && genome.geneCount() + 3 <= geneLimit)
        addNode(genome, record, random);
    if (random.uniform() < settings.addConnectionRate && genome.geneCount() + 1 <= geneLimit)
        addConnection(genome, record, weightRange, random);
    if (random.uniform() < settings.reenableRate)
        reenableConnection(genome, random);
    if (random.uniform() < settings.weightMutationRate)
        mutateWeights(genome, settings, weightRange, random);
}

} // namespace modules
