#pragma once

#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace modules {

struct NeatGenome;

// The run's historical markings. Numbers are handed out once per run; within one
// generation the same new connection, or the split of the same connection, made by
// several genomes gets the same numbers (and the same new node), so that crossover and
// speciation see them as one innovation.
class InnovationRecord {
public:
    struct Split {
        int node = 0;
        int inInnovation = 0;  // from -> node
        int outInnovation = 0; // node -> to
    };

    InnovationRecord() = default;
    InnovationRecord(int firstNodeId, int firstInnovation);

    // Forgets the changes of the last generation; the counters go on.
    void startGeneration();
    int connection(int from, int to);
    Split split(int innovation, int from, int to);

    int nextNodeId() const { return nodeBound; }
    int nextInnovation() const { return innovationBound; }
    // Whether this many new node ids and innovation numbers can still be handed out
    // without passing NEAT_COUNTER_LIMIT.
    bool hasRoom(int nodes, int innovations) const;

    // Empty when every innovation number means one connection (the same ends) across these
    // genomes and the record, and each recorded split splits the connection its number
    // means; else what is wrong. Crossover relies on it.
    std::string checkGenomes(const std::vector<const NeatGenome*>& genomes) const;

    nlohmann::json state() const;
    // False with a reason, record unchanged, for a state that does not fit or that one
    // generation of `populationSize` offspring could not have made (each offspring at most
    // one split and one new connection).
    bool restore(const nlohmann::json& state, int populationSize, std::string& reason);

private:
    int nodeBound = 0;
    int innovationBound = 0;
    std::map<std::pair<int, int>, int> connections;
    std::map<int, Split> splits; // by the split connection's innovation
};

} // namespace modules
