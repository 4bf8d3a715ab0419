// NEAT states a run could not have made, from damaged or hostile files: each is refused with
// a reason and changes nothing. The largest genomes a run can make load, step, breed with
// every mutation and save, and breeding keeps them within the bound: linear in their size,
// this takes a fraction of a second, where a list of all node pairs for a new connection
// (some 5 billion here) would not fit in memory and a walk over every connection from every
// node (the chain) would go on for minutes.

#include "evolution/RunLimits.h"
#include "methods/neat/NeatMethod.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

using namespace modules;

namespace {

const int POPULATION = 2; // the largest genomes: maxNeatGenomeGenes(2)
const int INPUTS = 4, OUTPUTS = 2;

// The minimal genome's 8 connections and `hidden` more nodes (ids from 6), joined as
// `join` says: a list of [from, to] pairs, numbered after the minimal ones.
nlohmann::json genomeJson(int hidden, const std::function<void(std::vector<std::pair<int, int>>&)>& join)
{
    nlohmann::json nodes = nlohmann::json::array();
    for (int id = 0; id < INPUTS + OUTPUTS + hidden; ++id)
        nodes.push_back({id, id < INPUTS ? 0 : id < INPUTS + OUTPUTS ? 1 : 2, 0.5});
    std::vector<std::pair<int, int>> pairs;
    for (int i = 0; i < INPUTS; ++i)
        for (int o = 0; o < OUTPUTS; ++o)
            pairs.push_back({i, INPUTS + o});
    join(pairs);
    nlohmann::json connections = nlohmann::json::array();
    for (size_t k = 0; k < pairs.size(); ++k)
        connections.push_back({pairs[k].first, pairs[k].second, 0.25, true, static_cast<int>(k)});
    return {{"nodes", nodes}, {"connections", connections}, {"species", 0}};
}

// Puts a genome first in the state with the counters above its numbers.
void plantGenome(nlohmann::json& state, nlohmann::json genome)
{
    const int nodes = static_cast<int>(genome["nodes"].size());
    const int connections = static_cast<int>(genome["connections"].size());
    state["genomes"][0] = std::move(genome);
    state["innovations"]["next_node"] = std::max(nodes, state["innovations"]["next_node"].get<int>());
    state["innovations"]["next_innovation"] = std::max(connections, state["innovations"]["next_innovation"].get<int>());
}

int genes(const nlohmann::json& genome)
{
    return static_cast<int>(genome["nodes"].size() + genome["connections"].size());
}

} // namespace

TEST(NeatHostileState, RefusedWhenNoRunCouldMakeItAndLinearUpToTheBound)
{
    const int limit = maxNeatGenomeGenes(POPULATION);
    ASSERT_EQ(limit, MAX_NEAT_GENOME_GENES);
    NeatSettings everyMutation;
    everyMutation.addNodeRate = 1.0;
    everyMutation.addConnectionRate = 1.0;
    everyMutation.reenableRate = 1.0;
    everyMutation.mutationOnlyRate = 1.0; // the children are the largest genome, mutated
    const nlohmann::json good = makeNeatMethod(4, 2, POPULATION, 1.0f, 1, everyMutation)->state();

    const auto unconnected = [](int hidden) { return genomeJson(hidden, [](auto&) {}); };
    const auto chain = [](int hidden) {
        return genomeJson(hidden, [hidden](auto& pairs) {
            pairs.push_back({0, INPUTS + OUTPUTS});
            for (int h = 0; h + 1 < hidden; ++h)
                pairs.push_back({INPUTS + OUTPUTS + h, INPUTS + OUTPUTS + h + 1});
            pairs.push_back({INPUTS + OUTPUTS + hidden - 1, INPUTS});
        });
    };
    const auto fed = [](int hidden) {
        return genomeJson(hidden, [hidden](auto& pairs) {
            for (int h = 0; h < hidden; ++h)
                pairs.push_back({0, INPUTS + OUTPUTS + h});
        });
    };
    const int chainAtLimit = (limit - 6 - 8 - 1) / 2; // nodes, the minimal and the chain's connections

    struct Case {
        const char* what;
        std::function<void(nlohmann::json&)> plant;
        bool loads; // else refused
    };
    const std::vector<Case> cases{
        // Sizes beyond what a run grows (a million unconnected nodes or a chain of 200,000
        // nodes are refused as these are, before anything is built).
        {"unconnected hidden nodes, one gene beyond the bound", [&](auto& s) { plantGenome(s, unconnected(limit - 6 - 8 + 1)); }, false},
        {"a chain beyond the bound", [&](auto& s) { plantGenome(s, chain(chainAtLimit + 1)); }, false},
        // Innovation numbers that mean two connections: crossover would mix them into
        // cycles or doubled pairs, and the next save would not load.
        {"innovation 0 and 1 swapped in one genome",
         [&](auto& s) {
             auto& c = s["genomes"][1]["connections"];
             c[0][1] = INPUTS + 1;
             c[1][1] = INPUTS;
         },
         false},
        {"the record's connection numbered as another",
         [&](auto& s) { s["innovations"]["connections"] = {{1, INPUTS, 0}}; }, false},
        {"a recorded split of another connection",
         [&](auto& s) {
             s["innovations"]["next_node"] = 7;
             s["innovations"]["next_innovation"] = 10;
             s["innovations"]["connections"] = {{0, 6, 8}, {6, INPUTS + 1, 9}};
             s["innovations"]["splits"] = {{0, 6, 8, 9}}; // 0 joins 0 and output 4, not 5
         },
         false},
        {"more recorded changes than one generation makes",
         [&](auto& s) {
             s["innovations"]["next_node"] = 100;
             s["innovations"]["next_innovation"] = 100;
             for (int k = 0; k < 3 * POPULATION + 1; ++k)
                 s["innovations"]["connections"].push_back({k, 50 + k, 10 + k});
         },
         false},
        // Counters at the top of the integer range would overflow within a generation.
        {"next innovation near the limit", [&](auto& s) { s["innovations"]["next_innovation"] = INT_MAX - 1; }, false},
        {"next node near the limit", [&](auto& s) { s["innovations"]["next_node"] = INT_MAX - 1; }, false},
        {"next species near the limit", [&](auto& s) { s["next_species"] = INT_MAX - 1; }, false},
        {"generation near the limit", [&](auto& s) { s["generation"] = INT_MAX - 1; }, false},
        {"a species older than the run", [&](auto& s) { s["species"][0]["age"] = 1; }, false},
        // The largest genomes a run can make, and counters at their limit: they load, step
        // and breed with every mutation, and what they breed saves and loads again.
        {"unconnected hidden nodes up to the bound", [&](auto& s) { plantGenome(s, unconnected(limit - 6 - 8)); }, true},
        {"a chain up to the bound", [&](auto& s) { plantGenome(s, chain(chainAtLimit)); }, true},
        {"30,000 hidden nodes fed by one input", [&](auto& s) { plantGenome(s, fed(30000)); }, true},
        {"counters at their limit",
         [&](auto& s) {
             s["innovations"]["next_node"] = NEAT_COUNTER_LIMIT - 1;
             s["innovations"]["next_innovation"] = NEAT_COUNTER_LIMIT - 2;
             s["next_species"] = NEAT_COUNTER_LIMIT;
             s["generation"] = NEAT_COUNTER_LIMIT;
             s["species"][0]["age"] = NEAT_COUNTER_LIMIT;
             s["species"][0]["stagnant"] = NEAT_COUNTER_LIMIT;
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        nlohmann::json state = good;
        c.plant(state);
        auto method = makeNeatMethod(4, 2, POPULATION, 1.0f, 2, everyMutation);
        const std::string before = method->state().dump();
        std::string reason;
        const bool loaded = method->restore(state, reason);
        ASSERT_EQ(loaded, c.loads) << reason;
        if (!loaded) {
            EXPECT_FALSE(reason.empty());
            EXPECT_EQ(method->state().dump(), before);
            continue;
        }
        for (int generation = 0; generation < 3; ++generation) {
            std::vector<float> outputs(OUTPUTS);
            for (auto& brain : method->ask())
                brain->process({0.5f, 0.25f, 1.0f, 0.0f}, outputs);
            method->tell(std::vector<float>(POPULATION, 0.0f));
        }
        const nlohmann::json bred = method->state();
        for (const auto& genome : bred["genomes"])
            EXPECT_LE(genes(genome), limit);
        EXPECT_LE(bred["innovations"]["next_node"].get<long long>(), NEAT_COUNTER_LIMIT);
        EXPECT_LE(bred["innovations"]["next_innovation"].get<long long>(), NEAT_COUNTER_LIMIT);
        EXPECT_LE(bred["next_species"].get<long long>(), NEAT_COUNTER_LIMIT);
        EXPECT_LE(bred["generation"].get<long long>(), NEAT_COUNTER_LIMIT);
        auto again = makeNeatMethod(4, 2, POPULATION, 1.0f, 3, everyMutation);
        EXPECT_TRUE(again->restore(bred, reason)) << reason;
    }
}
