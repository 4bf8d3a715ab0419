#include "methods/neat/NeatCrossover.h"

#include "methods/MethodRandom.h"
#include "methods/neat/NeatGenome.h"
#include "methods/neat/NeatSettings.h"

#include <set>

namespace modules {

namespace {

bool coin(MethodRandom& random) { return random.next() >> 63; }

} // namespace

NeatGenome crossover(const NeatGenome& a, double fitnessA, const NeatGenome& b, double fitnessB,
                     const NeatSettings& settings, MethodRandom& random)
{
    // Disjoint and excess genes come from one parent only: the fitter one, or on a tie the
    // one with fewer connections (a, the randomly drawn mother, when they have as many).
    // Taking both parents' on a tie would add genes at every tie, and ties are common.
    const bool fromA = fitnessA > fitnessB || (fitnessA == fitnessB && a.connections.size() <= b.connections.size());
    const bool fromB = !fromA;

    // Within a run an innovation number always means the same connection (the loader refuses
    // states where it does not), so the child's connections are those of the parent its
    // disjoint and excess genes come from, and keep that parent's invariants.
    NeatGenome child;
    auto inherit = [&](ConnectionGene gene, bool disabledInAParent) {
        if (disabledInAParent)
            gene.enabled = !(random.uniform() < settings.disabledInheritRate);
        child.connections.push_back(gene);
    };

    size_t i = 0, j = 0;
    while (i < a.connections.size() || j < b.connections.size()) {
        const ConnectionGene* ga = i < a.connections.size() ? &a.connections[i] : nullptr;
        const ConnectionGene* gb = j < b.connections.size() ? &b.connections[j] : nullptr;
        if (ga && gb && ga->innovation == gb->innovation) {
            const ConnectionGene chosen = coin(random) ? *ga : *gb;
            inherit(chosen, !ga->enabled || !gb->enabled);
            ++i;
            ++j;
        } else if (ga && (!gb || ga->innovation < gb->innovation)) {
            if (fromA)
                inherit(*ga, !ga->enabled);
            ++i;
        } else {
            if (fromB)
                inherit(*gb, !gb->enabled);
            ++j;
        }
    }

    // Nodes: the inputs and outputs, and every node the child's connections use.
    std::set<int> used;
    for (const ConnectionGene& c : child.connections) {
        used.insert(c.from);
        used.insert(c.to);
    }
    i = j = 0;
    while (i < a.nodes.size() || j < b.nodes.size()) {
        const NodeGene* na = i < a.nodes.size() ? &a.nodes[i] : nullptr;
        const NodeGene* nb = j < b.nodes.size() ? &b.nodes[j] : nullptr;
        const NodeGene* taken;
        if (na && nb && na->id == nb->id) {
            taken = na->kind != NodeGene::INPUT && coin(random) ? nb : na;
            ++i;
            ++j;
        } else if (na && (!nb || na->id < nb->id)) {
            taken = na;
            ++i;
        } else {
            taken = nb;
            ++j;
        }
        if (taken->kind != NodeGene::HIDDEN || used.count(taken->id))
            child.nodes.push_back(*taken);
    }
    return child;
}

} // namespace modules
