#include "methods/neat/NeatGenomeJson.h"

#include <limits>

namespace modules {

nlohmann::json genomeToJson(const NeatGenome& genome)
{
    nlohmann::json nodes = nlohmann::json::array();
    for (const NodeGene& n : genome.nodes)
        nodes.push_back({n.id, static_cast<int>(n.kind), n.threshold});
    nlohmann::json connections = nlohmann::json::array();
    for (const ConnectionGene& c : genome.connections)
        connections.push_back({c.from, c.to, c.weight, c.enabled, c.innovation});
    return {{"nodes", nodes}, {"connections", connections}};
}

namespace {

bool isId(const nlohmann::json& v)
{
    return v.is_number_integer() && v.get<long long>() >= 0 && v.get<long long>() < std::numeric_limits<int>::max();
}

// Finite and within float range: what a float gene could have been written as.
bool isFloat(const nlohmann::json& v)
{
    if (!v.is_number())
        return false;
    const double d = v.get<double>();
    return d >= -std::numeric_limits<float>::max() && d <= std::numeric_limits<float>::max();
}

} // namespace

bool genomeFromJson(const nlohmann::json& json, int geneLimit, NeatGenome& genome, std::string& reason)
{
    if (!json.is_object() || !json.contains("nodes") || !json.contains("connections") || !json["nodes"].is_array()
        || !json["connections"].is_array()) {
        reason = "a genome is not a list of nodes and a list of connections";
        return false;
    }
    const size_t genes = json["nodes"].size() + json["connections"].size();
    if (genes > static_cast<size_t>(geneLimit)) {
        reason = "a genome holds " + std::to_string(genes) + " genes, more than the " + std::to_string(geneLimit)
                 + " a genome of this population grows to";
        return false;
    }
    NeatGenome read;
    read.nodes.reserve(json["nodes"].size());
    read.connections.reserve(json["connections"].size());
    for (const auto& n : json["nodes"]) {
        if (!n.is_array() || n.size() != 3 || !isId(n[0]) || !n[1].is_number_integer() || n[1].get<long long>() < 0
            || n[1].get<long long>() > 2 || !isFloat(n[2])) {
            reason = "a node gene is not [id, kind, threshold]";
            return false;
        }
        read.nodes.push_back({n[0].get<int>(), static_cast<NodeGene::Kind>(n[1].get<int>()), n[2].get<float>()});
    }
    for (const auto& c : json["connections"]) {
        if (!c.is_array() || c.size() != 5 || !isId(c[0]) || !isId(c[1]) || !isFloat(c[2]) || !c[3].is_boolean()
            || !isId(c[4])) {
            reason = "a connection gene is not [from, to, weight, enabled, innovation]";
            return false;
        }
        read.connections.push_back({c[0].get<int>(), c[1].get<int>(), c[2].get<float>(), c[3].get<bool>(), c[4].get<int>()});
    }
    genome = std::move(read);
    return true;
}

} // namespace modules
