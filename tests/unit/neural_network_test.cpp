#include "brain/FlatNetwork.h"
#include "brain/NeuralNetwork.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using modules::BrainPicture;
using modules::FlatNetwork;
using modules::NeuralNetwork;

namespace {

NeuralNetwork buildNetwork(int hidden)
{
    NeuralNetwork network;
    network.addLayer(4);
    network.addLayer(hidden);
    network.addLayer(2);
    return network;
}

// A distinct, recognisable value for every parameter: layer*1000 + neuron*10 + weight index,
// and +9 for the threshold.
float tag(size_t layer, size_t neuron, size_t index)
{
    return static_cast<float>(layer * 1000 + neuron * 10 + index);
}

float sigmoid(float x)
{
    return static_cast<float>(1.0 / (std::pow(2.718281828459045, -static_cast<double>(x)) + 1.0));
}

} // namespace

TEST(NeuralNetwork, GenomeHasSevenHPlusSixValuesInLayerNeuronOrder)
{
    for (int hidden : {1, 4, 7}) {
        NeuralNetwork network = buildNetwork(hidden);
        for (size_t k = 0; k < network.layers.size(); ++k) {
            for (size_t n = 0; n < network.layers[k].size(); ++n) {
                modules::Neuron& neuron = network.layers[k][n];
                for (size_t w = 0; w < neuron.weights.size(); ++w)
                    neuron.weights[w] = tag(k, n, w);
                neuron.threshold = tag(k, n, 9);
            }
        }
        const std::vector<float> genome = network.getData();
        const size_t H = static_cast<size_t>(hidden);
        ASSERT_EQ(genome.size(), 7 * H + 6) << "H = " << H;

        for (size_t i = 0; i < 4; ++i)
            EXPECT_EQ(genome[i], tag(0, i, 9)) << "input threshold " << i;
        for (size_t h = 0; h < H; ++h) {
            for (size_t i = 0; i < 4; ++i)
                EXPECT_EQ(genome[4 + 5 * h + i], tag(1, h, i)) << "hidden " << h << " weight " << i;
            EXPECT_EQ(genome[4 + 5 * h + 4], tag(1, h, 9)) << "hidden threshold " << h;
        }
        for (size_t o = 0; o < 2; ++o) {
            const size_t base = 4 + 5 * H + (H + 1) * o;
            for (size_t h = 0; h < H; ++h)
                EXPECT_EQ(genome[base + h], tag(2, o, h)) << "output " << o << " weight " << h;
            EXPECT_EQ(genome[base + H], tag(2, o, 9)) << "output threshold " << o;
        }

        // setData reads the same order back.
        std::vector<float> positions(genome.size());
        for (size_t p = 0; p < positions.size(); ++p)
            positions[p] = static_cast<float>(p);
        network.setData(positions);
        EXPECT_EQ(network.layers[0][3].threshold, 3.0f);
        EXPECT_EQ(network.layers[1][H - 1].weights[2], static_cast<float>(4 + 5 * (H - 1) + 2));
        EXPECT_EQ(network.layers[1][H - 1].threshold, static_cast<float>(4 + 5 * (H - 1) + 4));
        EXPECT_EQ(network.layers[2][1].weights[0], static_cast<float>(4 + 5 * H + H + 1));
        EXPECT_EQ(network.layers[2][1].threshold, static_cast<float>(genome.size() - 1));
    }
}

TEST(NeuralNetwork, RoundTripCopiesAndAssignmentKeepNetworksIndependent)
{
    NeuralNetwork original = buildNetwork(4);
    original.fitness = 3.0f;
    const std::vector<float> genome = original.getData();

    original.setData(original.getData());
    EXPECT_EQ(original.getData(), genome);
    EXPECT_EQ(original.fitness, 3.0f);
    EXPECT_EQ(original.weightRange, 1.0f);

    NeuralNetwork copy(original);
    NeuralNetwork assigned(5.0f);
    assigned.addLayer(1);
    assigned = original;
    EXPECT_EQ(copy.getData(), genome);
    EXPECT_EQ(assigned.getData(), genome);
    EXPECT_EQ(copy.fitness, 3.0f);
    EXPECT_EQ(assigned.weightRange, 1.0f);

    // Changing a copy's genome, or running it, leaves the original alone.
    copy.setData(std::vector<float>(genome.size(), 0.25f));
    std::vector<float> outputs;
    original.process({0.0f, 0.0f, 0.0f, 0.0f}, outputs);
    const float originalHiddenOutput = original.layers[1][0].output;
    assigned.process({1.0f, 1.0f, 1.0f, 1.0f}, outputs);
    copy.process({1.0f, 1.0f, 1.0f, 1.0f}, outputs);
    EXPECT_EQ(original.getData(), genome);
    EXPECT_EQ(assigned.getData(), genome);
    EXPECT_EQ(original.layers[1][0].output, originalHiddenOutput);
    EXPECT_EQ(original.layers[0][0].output, 0.0f);
}

TEST(NeuralNetwork, ProcessUsesTheSigmoidWithItsExactNumerics)
{
    // All weights and thresholds 0: every neuron after the input layer gives exactly 0.5.
    NeuralNetwork zero = buildNetwork(4);
    zero.setData(std::vector<float>(34, 0.0f));
    std::vector<float> outputs = {7.0f, 7.0f, 7.0f};
    zero.process({0.3f, -7.0f, 1.0e6f, 0.0f}, outputs);
    EXPECT_EQ(outputs, (std::vector<float>{0.5f, 0.5f}));
    for (const modules::Neuron& neuron : zero.layers[1])
        EXPECT_EQ(neuron.output, 0.5f);
    EXPECT_EQ(zero.layers[0][2].output, 1.0e6f); // input neurons hold the inputs

    // One input, one output, weight 1, threshold 0: the output is sigmoid(input).
    NeuralNetwork single;
    single.addLayer(1);
    single.addLayer(1);
    single.setData({0.0f, 1.0f, 0.0f});
    for (float x : {1.0e6f, 60.0f}) {
        single.process({x}, outputs);
        EXPECT_EQ(outputs, std::vector<float>{1.0f}) << "x = " << x;
    }
    for (float x : {-1.0e6f, -800.0f}) { // e^(-x) overflows to infinity
        single.process({x}, outputs);
        EXPECT_EQ(outputs, std::vector<float>{0.0f}) << "x = " << x;
    }
    for (float x : {-3.7f, -0.1f, 0.3f, 1.0f, 2.5f, 9.9f}) {
        single.process({x}, outputs);
        EXPECT_EQ(outputs, std::vector<float>{sigmoid(x)}) << "x = " << x;
    }

    // The threshold is subtracted before the sigmoid.
    single.setData({0.0f, 1.0f, 2.0f});
    single.process({2.0f}, outputs);
    EXPECT_EQ(outputs, std::vector<float>{0.5f});

    // The running sum is a 32-bit float after every term: 1 + 1e8 rounds to 1e8, so the
    // sum of (1, 1e8, -1e8) is 0, not 1.
    NeuralNetwork sum;
    sum.addLayer(3);
    sum.addLayer(1);
    sum.setData({0.0f, 0.0f, 0.0f, 1.0f, 1.0e8f, -1.0e8f, 0.0f});
    sum.process({1.0f, 1.0f, 1.0f}, outputs);
    EXPECT_EQ(outputs, std::vector<float>{0.5f});
}

TEST(NeuralNetwork, ProcessFailuresWriteOneLineAndLeaveOutputsAlone)
{
    const std::vector<float> untouched = {0.25f, 0.75f};

    NeuralNetwork empty;
    EXPECT_TRUE(empty.getData().empty());
    std::vector<float> outputs = untouched;
    testing::internal::CaptureStdout();
    empty.process({0.0f, 0.0f, 0.0f, 0.0f}, outputs);
    empty.process({}, outputs);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error: NeuralNetwork::process: no neuron layers.\n"
              "Error: NeuralNetwork::process: no neuron layers.\n");
    EXPECT_EQ(outputs, untouched);

    NeuralNetwork network = buildNetwork(4);
    testing::internal::CaptureStdout();
    network.process({0.0f, 0.0f, 0.0f}, outputs);
    network.process({0.0f, 0.0f, 0.0f, 0.0f, 0.0f}, outputs);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error: NeuralNetwork::process: incorrect number of inputs given\n"
              "Error: NeuralNetwork::process: incorrect number of inputs given\n");
    EXPECT_EQ(outputs, untouched);

    // A successful run replaces the list by one as long as the output layer.
    testing::internal::CaptureStdout();
    network.process({0.0f, 0.0f, 0.0f, 0.0f}, outputs);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(outputs.size(), 2u);
}

TEST(NeuralNetwork, LayerAddedAfterTheOutputLayerConnectsToIt)
{
    NeuralNetwork network;
    network.addLayer(4);
    network.addLayer(3);
    network.addLayer(2);
    network.addLayer(5);
    ASSERT_EQ(network.layers.size(), 4u);
    ASSERT_EQ(network.layers[3].size(), 5u);
    for (const modules::Neuron& neuron : network.layers[3])
        EXPECT_EQ(neuron.weights.size(), 2u);
    EXPECT_EQ(network.getData().size(), 4u + 3 * 5 + 2 * 4 + 5 * 3);

    std::vector<float> outputs;
    network.process({0.1f, 0.2f, 0.3f, 0.4f}, outputs);
    EXPECT_EQ(outputs.size(), 5u);
}

TEST(NeuralNetwork, FittestIsTheFirstOfTheBestAndAnEmptyPopulationThrows)
{
    EXPECT_THROW(NeuralNetwork::getFittest({}), modules::EmptyPopulationError);

    std::vector<NeuralNetwork> population(4, NeuralNetwork());
    const float fitness[] = {1.0f, 3.0f, 3.0f, 2.0f};
    for (size_t i = 0; i < population.size(); ++i)
        population[i].fitness = fitness[i];
    EXPECT_EQ(&NeuralNetwork::getFittest(population), &population[1]);
}

// The flat copy the evolution strategies hand out must steer exactly as the layered network
// with the same genes, for any number of layers, and be drawn the same.
TEST(FlatNetwork, StepsAndDrawsBitForBitAsTheLayeredNetwork)
{
    for (const std::vector<int>& shape : {std::vector<int>{4, 2}, {4, 6, 2}, {4, 3, 5, 2}}) {
        std::srand(5);
        NeuralNetwork layered(2.0f);
        for (int size : shape)
            layered.addLayer(size);
        FlatNetwork flat(layered);
        // New genes through each one's own way in, so that their orders must agree.
        std::vector<float> genes = layered.getData();
        for (size_t g = 0; g < genes.size(); ++g)
            genes[g] = static_cast<float>(std::rand() % 4001 - 2000) / 700.0f;
        layered.setData(genes);
        flat.genes() = genes;
        ASSERT_EQ(flat.connectionCount(), layered.connectionCount());

        for (int trial = 0; trial < 200; ++trial) {
            std::vector<float> inputs(4);
            for (float& x : inputs)
                x = static_cast<float>(std::rand() % 2001 - 1000) / 250.0f;
            std::vector<float> expected, got;
            layered.process(inputs, expected);
            flat.process(inputs, got);
            ASSERT_EQ(got, expected) << shape.size() << " layers, trial " << trial;
        }
        const BrainPicture a = layered.picture(), b = flat.clone()->picture();
        ASSERT_EQ(a.nodes.size(), b.nodes.size());
        for (size_t n = 0; n < a.nodes.size(); ++n) {
            EXPECT_EQ(a.nodes[n].kind, b.nodes[n].kind);
            EXPECT_EQ(a.nodes[n].column, b.nodes[n].column);
            EXPECT_EQ(a.nodes[n].activation, b.nodes[n].activation);
        }
        ASSERT_EQ(a.links.size(), b.links.size());
        for (size_t l = 0; l < a.links.size(); ++l) {
            EXPECT_EQ(a.links[l].from, b.links[l].from);
            EXPECT_EQ(a.links[l].to, b.links[l].to);
            EXPECT_EQ(a.links[l].weight, b.links[l].weight);
        }
    }
}
