#include "methods/neat/InnovationRecord.h"

#include <limits>

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

bool InnovationRecord::restore(const nlohmann::json& state, std::string& reason)
{
    auto isCount = [](const nlohmann::json& v) {
        return v.is_number_integer() && v.get<long long>() >= 0 && v.get<long long>() < std::numeric_limits<int>::max();
    };
    if (!state.is_object() || !state.contains("next_node") || !state.contains("next_innovation")
        || !state.contains("connections") || !state.contains("splits") || !isCount(state["next_node"])
        || !isCount(state["next_innovation"]) || !state["connections"].is_array() || !state["splits"].is_array()) {
        reason = "the innovation record lacks its counters or lists";
        return false;
    }
    InnovationRecord next(state["next_node"].get<int>(), state["next_innovation"].get<int>());
    for (const auto& entry : state["connections"]) {
        if (!entry.is_array() || entry.size() != 3 || !isCount(entry[0]) || !isCount(entry[1]) || !isCount(entry[2])
            || entry[0].get<int>() >= next.nodeBound || entry[1].get<int>() >= next.nodeBound
            || entry[2].get<int>() >= next.innovationBound) {
            reason = "the innovation record holds a connection it could not have made";
            return false;
        }
        next.connections[{entry[0].get<int>(), entry[1].get<int>()}] = entry[2].get<int>();
    }
    for (const auto& entry : state["splits"]) {
        if (!entry.is_array() || entry.size() != 4 || !isCount(entry[0]) || !isCount(entry[1]) || !isCount(entry[2])
            || !isCount(entry[3]) || entry[0].get<int>() >= next.innovationBound
            || entry[1].get<int>() >= next.nodeBound || entry[2].get<int>() >= next.innovationBound
            || entry[3].get<int>() >= next.innovationBound) {
            reason = "the innovation record holds a split it could not have made";
            return false;
        }
        next.splits[entry[0].get<int>()] = {entry[1].get<int>(), entry[2].get<int>(), entry[3].get<int>()};
    }
    *this = std::move(next);
    return true;
}

} // namespace modules
