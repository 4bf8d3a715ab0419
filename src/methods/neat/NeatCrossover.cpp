#include "methods/neat/NeatCrossover.h"

#include "methods/MethodRandom.h"
#include "methods/neat/NeatGenome.h"
#include "methods/neat/NeatSettings.h"

#include <set>
#include <utility>

namespace modules {

namespace {

bool coin(MethodRandom& random) { return random.next() >> 63; }

} // namespace

NeatGenome crossover(const NeatGenome& a, double fitnessA, const NeatGenome& b, double fitnessB,
                     const NeatSettings& settings, MethodRandom& random)
{
    const bool fromA = fitnessA >= fitnessB;
    const bool fromB = fitnessB >= fitnessA;
    const bool equal = fromA && fromB;

    NeatGenome child;
    std::set<std::pair<int, int>> joined;
    auto inherit = [&](ConnectionGene gene, bool disabledInAParent) {
        if (equal) {
            // Genes from two different structures: keep the child's invariants.
            if (joined.count({gene.from, gene.to}))
                return;
            if (reaches(child, gene.to, gene.from))
                return;
        }
        if (disabledInAParent)
            gene.enabled = !(random.uniform() < settings.disabledInheritRate);
        joined.insert({gene.from, gene.to});
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
