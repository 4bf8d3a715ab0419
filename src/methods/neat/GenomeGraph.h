#pragma once

#include <vector>

namespace modules {

struct NeatGenome;

// A genome's connections as lists per node, so that every walk over the network costs
// what the genome holds (built in O(nodes + connections x log nodes)). Nodes are named by
// their place in genome.nodes; a node's lists keep the genome's connection order.
class GenomeGraph {
public:
    // Every connection, or only the enabled ones. A connection to or from a node the
    // genome lacks is left out (checkGenome refuses such genomes first).
    GenomeGraph(const NeatGenome& genome, bool enabledOnly);

    int size() const { return static_cast<int>(outFirst.size()) - 1; }
    // Connections (indices into genome.connections) leaving / entering a node.
    const int* outBegin(int node) const { return outList.data() + outFirst[node]; }
    const int* outEnd(int node) const { return outList.data() + outFirst[node + 1]; }
    const int* inBegin(int node) const { return inList.data() + inFirst[node]; }
    const int* inEnd(int node) const { return inList.data() + inFirst[node + 1]; }
    // The places of a connection's ends.
    int source(int connection) const { return sources[connection]; }
    int target(int connection) const { return targets[connection]; }

    // Whether a path leads from one node to the other; a node reaches itself.
    bool reaches(int from, int to) const;
    // Every node that reaches `node` (itself included), marked 1.
    std::vector<char> ancestors(int node) const;
    // Kahn's algorithm, the lowest place first among the ready nodes; fewer places than
    // nodes when some lie on a cycle.
    std::vector<int> topologicalOrder() const;

private:
    std::vector<int> sources, targets; // per connection of the genome, -1 when left out
    std::vector<int> outFirst, outList, inFirst, inList;
};

} // namespace modules
