#include "methods/neat/GenomeGraph.h"

#include "methods/neat/NeatGenome.h"

#include <functional>
#include <queue>

namespace modules {

namespace {

// Lists per node from (node, connection) pairs given in connection order: counts, then
// places, so each node's list keeps that order.
void buildLists(const std::vector<int>& nodeOf, int nodes, std::vector<int>& first, std::vector<int>& list)
{
    first.assign(static_cast<size_t>(nodes) + 1, 0);
    for (int node : nodeOf)
        if (node >= 0)
            ++first[node + 1];
    for (int k = 0; k < nodes; ++k)
        first[k + 1] += first[k];
    list.assign(first[nodes], 0);
    std::vector<int> next(first.begin(), first.end() - 1);
    for (size_t c = 0; c < nodeOf.size(); ++c)
        if (nodeOf[c] >= 0)
            list[next[nodeOf[c]]++] = static_cast<int>(c);
}

} // namespace

GenomeGraph::GenomeGraph(const NeatGenome& genome, bool enabledOnly)
{
    const int nodes = static_cast<int>(genome.nodes.size());
    sources.assign(genome.connections.size(), -1);
    targets.assign(genome.connections.size(), -1);
    for (size_t c = 0; c < genome.connections.size(); ++c) {
        const ConnectionGene& gene = genome.connections[c];
        const NodeGene* from = genome.findNode(gene.from);
        const NodeGene* to = genome.findNode(gene.to);
        if ((enabledOnly && !gene.enabled) || !from || !to)
            continue;
        sources[c] = static_cast<int>(from - genome.nodes.data());
        targets[c] = static_cast<int>(to - genome.nodes.data());
    }
    buildLists(sources, nodes, outFirst, outList);
    buildLists(targets, nodes, inFirst, inList);
}

bool GenomeGraph::reaches(int from, int to) const
{
    if (from == to)
        return true;
    std::vector<char> seen(static_cast<size_t>(size()), 0);
    std::vector<int> stack{from};
    seen[from] = 1;
    while (!stack.empty()) {
        const int node = stack.back();
        stack.pop_back();
        for (const int* c = outBegin(node); c != outEnd(node); ++c) {
            const int next = targets[*c];
            if (next == to)
                return true;
            if (!seen[next]) {
                seen[next] = 1;
                stack.push_back(next);
            }
        }
    }
    return false;
}

std::vector<char> GenomeGraph::ancestors(int node) const
{
    std::vector<char> marked(static_cast<size_t>(size()), 0);
    std::vector<int> stack{node};
    marked[node] = 1;
    while (!stack.empty()) {
        const int at = stack.back();
        stack.pop_back();
        for (const int* c = inBegin(at); c != inEnd(at); ++c) {
            const int previous = sources[*c];
            if (!marked[previous]) {
                marked[previous] = 1;
                stack.push_back(previous);
            }
        }
    }
    return marked;
}

std::vector<int> GenomeGraph::topologicalOrder() const
{
    const int count = size();
    std::vector<int> waiting(static_cast<size_t>(count));
    std::priority_queue<int, std::vector<int>, std::greater<int>> ready;
    for (int k = 0; k < count; ++k) {
        waiting[k] = inFirst[k + 1] - inFirst[k];
        if (waiting[k] == 0)
            ready.push(k);
    }
    std::vector<int> order;
    order.reserve(static_cast<size_t>(count));
    while (!ready.empty()) {
        const int node = ready.top();
        ready.pop();
        order.push_back(node);
        for (const int* c = outBegin(node); c != outEnd(node); ++c)
            if (--waiting[targets[*c]] == 0)
                ready.push(targets[*c]);
    }
    return order;
}

} // namespace modules
