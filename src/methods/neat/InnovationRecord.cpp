#include "methods/neat/InnovationRecord.h"

#include "methods/neat/NeatGenome.h"

#include <set>
#include <unordered_map>

namespace modules {

InnovationRecord::InnovationRecord(int firstNodeId, int firstInnovation)
    : nodeBound(firstNodeId)
    , innovationBound(firstInnovation)
{
}

void InnovationRecord::startGeneration()
{
    connections.clear();
    splits.clear();
}

int InnovationRecord::connection(int from, int to)
{
    const auto found = connections.find({from, to});
    if (found != connections.end())
        return found->second;
    const int innovation = innovationBound++;
    connections[{from, to}] = innovation;
    return innovation;
}

bool InnovationRecord::hasRoom(int nodes, int innovations) const
{
    return nodeBound <= NEAT_COUNTER_LIMIT - nodes && innovationBound <= NEAT_COUNTER_LIMIT - innovations;
}

InnovationRecord::Split InnovationRecord::split(int innovation, int from, int to)
{
    const auto found = splits.find(innovation);
    if (found != splits.end())
        return found->second;
    Split made;
    made.node = nodeBound++;
    made.inInnovation = connection(from, made.node);
    made.outInnovation = connection(made.node, to);
    splits[innovation] = made;
    return made;
}

std::string InnovationRecord::checkGenomes(const std::vector<const NeatGenome*>& genomes) const
{
    std::unordered_map<int, std::pair<int, int>> ends; // by innovation
    for (const auto& [pair, innovation] : connections)
        ends.emplace(innovation, pair);
    for (const NeatGenome* genome : genomes)
        for (const ConnectionGene& c : genome->connections) {
            const auto [known, added] = ends.emplace(c.innovation, std::make_pair(c.from, c.to));
            if (!added && known->second != std::make_pair(c.from, c.to))
                return "innovation number " + std::to_string(c.innovation) + " stands for two different connections";
        }
    for (const auto& [innovation, made] : splits) {
        const auto split = ends.find(innovation);
        if (split != ends.end()
            && (ends.at(made.inInnovation).first != split->second.first
                || ends.at(made.outInnovation).second != split->second.second))
            return "the innovation record holds a split of another connection than its number's";
    }
    return {};
}

nlohmann::json InnovationRecord::state() const
{
    nlohmann::json links = nlohmann::json::array();
    for (const auto& [pair, innovation] : connections)
        links.push_back({pair.first, pair.second, innovation});
    nlohmann::json made = nlohmann::json::array();
    for (const auto& [innovation, split] : splits)
        made.push_back({innovation, split.node, split.inInnovation, split.outInnovation});
    return {{"next_node", nodeBound}, {"next_innovation", innovationBound}, {"connections", links}, {"splits", made}};
}

bool InnovationRecord::restore(const nlohmann::json& state, int populationSize, std::string& reason)
{
    auto isCount = [](const nlohmann::json& v) {
        return v.is_number_integer() && v.get<long long>() >= 0 && v.get<long long>() <= NEAT_COUNTER_LIMIT;
    };
    if (!state.is_object() || !state.contains("next_node") || !state.contains("next_innovation")
        || !state.contains("connections") || !state.contains("splits") || !isCount(state["next_node"])
        || !isCount(state["next_innovation"]) || !state["connections"].is_array() || !state["splits"].is_array()) {
        reason = "the innovation record lacks its counters or lists, or a counter is beyond "
                 + std::to_string(NEAT_COUNTER_LIMIT);
        return false;
    }
    if (state["connections"].size() > 3 * static_cast<size_t>(populationSize)
        || state["splits"].size() > static_cast<size_t>(populationSize)) {
        reason = "the innovation record holds more changes than one generation makes";
        return false;
    }
    InnovationRecord next(state["next_node"].get<int>(), state["next_innovation"].get<int>());
    std::map<int, std::pair<int, int>> ends; // by innovation
    for (const auto& entry : state["connections"]) {
        if (!entry.is_array() || entry.size() != 3 || !isCount(entry[0]) || !isCount(entry[1]) || !isCount(entry[2])
            || entry[0].get<int>() >= next.nodeBound || entry[1].get<int>() >= next.nodeBound
            || entry[2].get<int>() >= next.innovationBound) {
            reason = "the innovation record holds a connection it could not have made";
            return false;
        }
        const std::pair<int, int> pair{entry[0].get<int>(), entry[1].get<int>()};
        if (!next.connections.emplace(pair, entry[2].get<int>()).second
            || !ends.emplace(entry[2].get<int>(), pair).second) {
            reason = "the innovation record gives one connection two numbers or one number two connections";
            return false;
        }
    }
    std::set<int> splitNodes;
    for (const auto& entry : state["splits"]) {
        if (!entry.is_array() || entry.size() != 4 || !isCount(entry[0]) || !isCount(entry[1]) || !isCount(entry[2])
            || !isCount(entry[3]) || entry[0].get<int>() >= next.innovationBound
            || entry[1].get<int>() >= next.nodeBound || entry[2].get<int>() >= next.innovationBound
            || entry[3].get<int>() >= next.innovationBound) {
            reason = "the innovation record holds a split it could not have made";
            return false;
        }
        const Split made{entry[1].get<int>(), entry[2].get<int>(), entry[3].get<int>()};
        // A split made its node and both connections in the same generation.
        const auto in = ends.find(made.inInnovation);
        const auto out = ends.find(made.outInnovation);
        if (in == ends.end() || out == ends.end() || in->second.second != made.node || out->second.first != made.node
            || !splitNodes.insert(made.node).second || !next.splits.emplace(entry[0].get<int>(), made).second) {
            reason = "the innovation record holds a split it could not have made";
            return false;
        }
    }
    *this = std::move(next);
    return true;
}

} // namespace modules
