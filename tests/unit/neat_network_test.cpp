// The NEAT network against the layered one: the same function of the same sums (the NEAT
// network takes it in float precision), and its picture for the network panel.

#include "brain/NeuralNetwork.h"
#include "methods/neat/NeatGenome.h"
#include "methods/neat/NeatNetwork.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdlib>
#include <vector>

using namespace modules;

TEST(NeatNetwork, ComputesAsTheLayeredNetworkOfTheSameShape)
{
    std::srand(17);
    NeuralNetwork layered(3.0f);
    layered.addLayer(4);
    layered.addLayer(4);
    layered.addLayer(2);
    // The same 4-4-2 network as a genome: hidden nodes 6-9, each node's incoming
    // connections in the layered network's order.
    NeatGenome genome;
    for (int i = 0; i < 4; ++i)
        genome.nodes.push_back({i, NodeGene::INPUT, 0.0f});
    for (int o = 0; o < 2; ++o)
        genome.nodes.push_back({4 + o, NodeGene::OUTPUT, layered.layers[2][o].threshold});
    for (int h = 0; h < 4; ++h)
        genome.nodes.push_back({6 + h, NodeGene::HIDDEN, layered.layers[1][h].threshold});
    int innovation = 0;
    for (int h = 0; h < 4; ++h)
        for (int i = 0; i < 4; ++i)
            genome.connections.push_back({i, 6 + h, layered.layers[1][h].weights[i], true, innovation++});
    for (int o = 0; o < 2; ++o)
        for (int h = 0; h < 4; ++h)
            genome.connections.push_back({6 + h, 4 + o, layered.layers[2][o].weights[h], true, innovation++});
    // A disabled connection changes nothing.
    genome.connections.push_back({0, 4, 100.0f, false, innovation++});
    ASSERT_EQ(checkGenome(genome, 4, 2, 10, innovation), "");

    NeatNetwork neat(genome, 4, 2);
    EXPECT_EQ(neat.connectionCount(), layered.connectionCount());
    std::srand(99);
    for (int trial = 0; trial < 500; ++trial) {
        std::vector<float> inputs(4);
        for (float& x : inputs)
            x = static_cast<float>(std::rand() % 2001 - 1000) / 250.0f;
        std::vector<float> expected(2, 0.0f), got(2, 0.0f);
        layered.process(inputs, expected);
        neat.process(inputs, got);
        ASSERT_EQ(got.size(), 2u);
        // Outputs lie in [0, 1]: a few units in the last place below 1.
        for (int o = 0; o < 2; ++o)
            ASSERT_NEAR(got[o], expected[o], 4 * FLT_EPSILON) << "trial " << trial << ", output " << o;
    }
    // Sums far beyond the float exponential's range still give 0 and 1, never NaN.
    for (float big : {1e4f, -1e4f}) {
        std::vector<float> expected(2, 0.5f), got(2, 0.5f);
        layered.process({big, big, big, big}, expected);
        neat.process({big, big, big, big}, got);
        for (int o = 0; o < 2; ++o)
            EXPECT_NEAR(got[o], expected[o], 4 * FLT_EPSILON) << big;
    }
}

TEST(NeatNetwork, PictureHasColumnsByDepthAndOnlyEnabledLinks)
{
    // 2 inputs, 1 output; hidden 3 fed by input 0; hidden 4 fed by 3; hidden 5 without
    // sources; 3 -> 2 disabled.
    NeatGenome genome;
    genome.nodes = {{0, NodeGene::INPUT, 0.0f}, {1, NodeGene::INPUT, 0.0f}, {2, NodeGene::OUTPUT, 0.5f},
                    {3, NodeGene::HIDDEN, 0.0f}, {4, NodeGene::HIDDEN, -1.0f}, {5, NodeGene::HIDDEN, 2.0f}};
    genome.connections = {{0, 3, 1.0f, true, 0}, {3, 4, -2.0f, true, 1}, {4, 2, 3.0f, true, 2},
                          {1, 2, 0.5f, true, 3},  {3, 2, 9.0f, false, 4}, {5, 2, 1.5f, true, 5}};
    ASSERT_EQ(checkGenome(genome, 2, 1, 6, 6), "");
    NeatNetwork network(genome, 2, 1);
    std::vector<float> outputs(1, 0.0f);
    network.process({1.0f, 0.0f}, outputs);

    const BrainPicture picture = network.picture();
    ASSERT_EQ(picture.nodes.size(), 6u);
    const int columns[] = {0, 0, 3, 1, 2, 1};
    const BrainNode::Kind kinds[] = {BrainNode::INPUT, BrainNode::INPUT, BrainNode::OUTPUT,
                                     BrainNode::HIDDEN, BrainNode::HIDDEN, BrainNode::HIDDEN};
    for (size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(picture.nodes[k].column, columns[k]) << "node " << k;
        EXPECT_EQ(picture.nodes[k].kind, kinds[k]) << "node " << k;
    }
    EXPECT_EQ(picture.nodes[2].activation, outputs[0]);
    EXPECT_EQ(picture.nodes[0].activation, 1.0f);
    ASSERT_EQ(picture.links.size(), 5u);
    EXPECT_EQ(network.connectionCount(), 5);
    for (const BrainLink& link : picture.links)
        EXPECT_NE(link.weight, 9.0f);

    // A wrong input count leaves the outputs as they were.
    std::vector<float> untouched{0.25f};
    testing::internal::CaptureStdout();
    network.process({1.0f}, untouched);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: NeatNetwork::process: incorrect number of inputs given\n");
    EXPECT_EQ(untouched, std::vector<float>{0.25f});
}
