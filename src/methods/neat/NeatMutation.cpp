#include "methods/neat/NeatMutation.h"

#include "methods/MethodRandom.h"
#include "methods/neat/InnovationRecord.h"
#include "methods/neat/NeatGenome.h"
#include "methods/neat/NeatSettings.h"

#include <algorithm>
#include <set>
#include <utility>
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
    std::set<std::pair<int, int>> joined;
    for (const ConnectionGene& c : genome.connections)
        joined.insert({c.from, c.to});
    std::vector<std::pair<int, int>> candidates;
    std::set<int> ancestors;
    std::vector<int> stack;
    for (const NodeGene& from : genome.nodes) {
        if (from.kind == NodeGene::OUTPUT)
            continue;
        // from -> to closes a cycle exactly when `to` already reaches `from`.
        ancestors = {from.id};
        stack = {from.id};
        while (!stack.empty()) {
            const int node = stack.back();
            stack.pop_back();
            for (const ConnectionGene& c : genome.connections)
                if (c.to == node && ancestors.insert(c.from).second)
                    stack.push_back(c.from);
        }
        for (const NodeGene& to : genome.nodes)
            if (to.kind != NodeGene::INPUT && !ancestors.count(to.id) && !joined.count({from.id, to.id}))
                candidates.push_back({from.id, to.id});
    }
    if (candidates.empty())
        return false;
    const auto [from, to] = candidates[random.below(candidates.size())];
    insertConnection(genome, {from, to, drawWeight(weightRange, random), true, record.connection(from, to)});
    return true;
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
                  MethodRandom& random)
{
    if (random.uniform() < settings.addNodeRate)
        addNode(genome, record, random);
    if (random.uniform() < settings.addConnectionRate)
        addConnection(genome, record, weightRange, random);
    if (random.uniform() < settings.reenableRate)
        reenableConnection(genome, random);
    if (random.uniform() < settings.weightMutationRate)
        mutateWeights(genome, settings, weightRange, random);
}

} // namespace modules
