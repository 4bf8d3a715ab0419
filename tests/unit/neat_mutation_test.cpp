// NEAT's structural mutations: splits and new connections keep the genome feed-forward,
// and the innovation record numbers the same change the same way within a generation.

#include "methods/MethodRandom.h"
#include "methods/neat/InnovationRecord.h"
#include "methods/neat/NeatCrossover.h"
#include "methods/neat/NeatGenome.h"
#include "methods/neat/NeatMutation.h"
#include "methods/neat/NeatNetwork.h"
#include "methods/neat/NeatSettings.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

using namespace modules;

TEST(NeatMutation, NoCycleEverAndNewConnectionsUntilEveryAcyclicPairIsJoined)
{
    NeatSettings settings;
    settings.addNodeRate = 0.3;
    settings.addConnectionRate = 0.6;
    settings.reenableRate = 0.3;
    MethodRandom random(2024);
    InnovationRecord record(6, 8);
    std::vector<NeatGenome> genomes;
    for (int k = 0; k < 8; ++k)
        genomes.push_back(minimalGenome(4, 2, 1.0f, random));
    for (int generation = 0; generation < 40; ++generation) {
        record.startGeneration();
        std::vector<NeatGenome> next;
        for (size_t k = 0; k < genomes.size(); ++k) {
            // Equal fitness takes genes of both structures, the hardest case for cycles; every
            // other child has a fitter parent, so that genomes do not just pile up genes.
            NeatGenome child = crossover(genomes[k], 1.0 + k % 2, genomes[(k + 1) % genomes.size()], 1.0, settings, random);
            mutateGenome(child, record, settings, 1.0f, random);
            ASSERT_EQ(checkGenome(child, 4, 2, record.nextNodeId(), record.nextInnovation()), "")
                << "generation " << generation;
            next.push_back(std::move(child));
        }
        genomes = std::move(next);
    }
    NeatGenome& grown = genomes.front();
    ASSERT_GT(grown.hiddenCount(), 3);
    // Join pairs until none is left: then each unjoined pair would close a cycle.
    while (addConnection(grown, record, 1.0f, random))
        ASSERT_EQ(checkGenome(grown, 4, 2, record.nextNodeId(), record.nextInnovation()), "");
    std::set<std::pair<int, int>> joined;
    for (const ConnectionGene& c : grown.connections)
        joined.insert({c.from, c.to});
    for (const NodeGene& from : grown.nodes)
        for (const NodeGene& to : grown.nodes)
            if (from.kind != NodeGene::OUTPUT && to.kind != NodeGene::INPUT && !joined.count({from.id, to.id})) {
                EXPECT_TRUE(reaches(grown, to.id, from.id)) << from.id << " -> " << to.id << " left out";
            }
    // Every disabled connection back on: still no cycle, and the network runs.
    while (reenableConnection(grown, random)) {
    }
    ASSERT_EQ(checkGenome(grown, 4, 2, record.nextNodeId(), record.nextInnovation()), "");
    NeatNetwork network(grown, 4, 2);
    std::vector<float> outputs(2, -1.0f);
    network.process({0.5f, 0.25f, 0.0f, 1.0f}, outputs);
    EXPECT_GT(outputs[0], 0.0f);
    EXPECT_EQ(network.connectionCount(), static_cast<int>(grown.connections.size()));
}

TEST(NeatMutation, SameSplitInOneGenerationGetsTheSameNodeAndNumbers)
{
    MethodRandom random(7);
    InnovationRecord record(3, 2); // 2 inputs, 1 output: innovations 0 and 1 in use
    NeatGenome first = minimalGenome(2, 1, 1.0f, random);
    first.connections[0].enabled = false; // leaves only 1 -> 2 to split
    NeatGenome second = first;
    second.connections[0].weight = 0.75f;
    const float oldWeight = first.connections[1].weight;

    ASSERT_TRUE(addNode(first, record, random));
    ASSERT_TRUE(addNode(second, record, random));
    ASSERT_EQ(first.nodes.size(), 4u);
    EXPECT_EQ(first.nodes.back().id, 3);
    EXPECT_EQ(second.nodes.back().id, 3);
    ASSERT_EQ(first.connections.size(), 4u);
    EXPECT_FALSE(first.connections[1].enabled);
    const ConnectionGene in = first.connections[2], out = first.connections[3];
    EXPECT_EQ(std::make_pair(in.from, in.to), std::make_pair(1, 3));
    EXPECT_EQ(in.weight, 1.0f);
    EXPECT_EQ(std::make_pair(out.from, out.to), std::make_pair(3, 2));
    EXPECT_EQ(out.weight, oldWeight);
    EXPECT_EQ(second.connections[2].innovation, in.innovation);
    EXPECT_EQ(second.connections[3].innovation, out.innovation);
    // The same new connection in one generation: one number.
    NeatGenome third = first;
    EXPECT_TRUE(addConnection(third, record, 1.0f, random));
    std::set<std::pair<int, int>> before;
    for (const ConnectionGene& c : first.connections)
        before.insert({c.from, c.to});
    for (const ConnectionGene& c : third.connections)
        if (!before.count({c.from, c.to})) {
            EXPECT_EQ(record.connection(c.from, c.to), c.innovation);
        }

    // A later generation: the same split is a new innovation.
    record.startGeneration();
    NeatGenome later = minimalGenome(2, 1, 1.0f, random);
    later.connections[0].enabled = false;
    ASSERT_TRUE(addNode(later, record, random));
    EXPECT_EQ(later.nodes.back().id, 4);
    EXPECT_GT(later.connections[2].innovation, out.innovation);
}
