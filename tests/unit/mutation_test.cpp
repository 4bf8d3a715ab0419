// Mutation of a genome: per gene one test draw, and for a mutated gene a sign and a
// magnitude, replayed here from the seed to know every value the operator must produce.

#include "brain/NeuralNetwork.h"
#include "methods/Evolver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

using modules::Evolver;
using modules::NeuralNetwork;

namespace {

std::vector<int> firstDraws(unsigned seed, size_t count)
{
    std::srand(seed);
    std::vector<int> draws(count);
    for (int& d : draws)
        d = std::rand();
    return draws;
}

float spinOf(int draw)
{
    return static_cast<float>(static_cast<double>(draw % 10000) * 0.0001);
}

// Layers of 2, 3 and 1 neurons: 2 + 3 * 3 + 4 = 15 genes, each with a value of its own.
NeuralNetwork sampleNetwork()
{
    NeuralNetwork network(2.5f);
    network.layers.resize(3);
    network.layers[0].resize(2);
    network.layers[1].resize(3);
    network.layers[2].resize(1);
    for (auto& neuron : network.layers[1])
        neuron.weights.resize(2);
    network.layers[2][0].weights.resize(3);
    for (auto& layer : network.layers)
        for (auto& neuron : layer)
            neuron.weightRange = 2.5f;
    std::vector<float> genes(15);
    for (size_t i = 0; i < genes.size(); ++i)
        genes[i] = 0.37f * static_cast<float>(i) - 2.1f;
    network.setData(genes);
    network.fitness = 7.0f;
    return network;
}

Evolver evolverWith(float mutationRate, float maxPerturbation)
{
    // An empty population draws nothing.
    return Evolver(NeuralNetwork(), 0, 0, 0, 0.0f, mutationRate, maxPerturbation);
}

// How many numbers one mutate() takes from the generator seeded with `seed`.
int drawsTaken(const Evolver& evolver, NeuralNetwork& network, unsigned seed)
{
    const std::vector<int> reference = firstDraws(seed, 200);
    std::srand(seed);
    evolver.mutate(network);
    const int next = std::rand();
    for (size_t i = 0; i < reference.size(); ++i)
        if (reference[i] == next)
            return static_cast<int>(i);
    return -1;
}

// The genome that mutate() must give for `seed`: the test draw, then sign and magnitude.
std::vector<float> replayedMutation(const std::vector<float>& genes, unsigned seed, float rate, float scale,
                                    int* mutatedCount = nullptr)
{
    const std::vector<int> draws = firstDraws(seed, 3 * genes.size());
    std::vector<float> expected = genes;
    size_t next = 0;
    int mutated = 0;
    for (float& gene : expected) {
        if (!(spinOf(draws[next++]) < rate))
            continue;
        const bool positive = draws[next++] % 2 == 1;
        const float magnitude = spinOf(draws[next++]);
        const float change = positive ? magnitude : -magnitude;
        gene = static_cast<float>(static_cast<double>(gene) + static_cast<double>(change) * static_cast<double>(scale));
        ++mutated;
    }
    if (mutatedCount)
        *mutatedCount = mutated;
    return expected;
}

void expectSameShape(const NeuralNetwork& a, const NeuralNetwork& b)
{
    EXPECT_EQ(a.weightRange, b.weightRange);
    EXPECT_EQ(a.fitness, b.fitness);
    ASSERT_EQ(a.layers.size(), b.layers.size());
    for (size_t l = 0; l < a.layers.size(); ++l) {
        ASSERT_EQ(a.layers[l].size(), b.layers[l].size()) << "layer " << l;
        for (size_t n = 0; n < a.layers[l].size(); ++n) {
            EXPECT_EQ(a.layers[l][n].weights.size(), b.layers[l][n].weights.size());
            EXPECT_EQ(a.layers[l][n].weightRange, b.layers[l][n].weightRange);
        }
    }
}

TEST(Mutation, RateZeroChangesNothingButDrawsOncePerGene)
{
    const NeuralNetwork original = sampleNetwork();
    NeuralNetwork network = original;
    const Evolver evolver = evolverWith(0.0f, 10.0f);
    EXPECT_EQ(drawsTaken(evolver, network, 4), 15);
    EXPECT_EQ(network.getData(), original.getData());
    expectSameShape(network, original);
}

TEST(Mutation, RateOneChangesEveryGeneByTheReplayedAmount)
{
    const NeuralNetwork original = sampleNetwork();
    const std::vector<float> genes = original.getData();
    // A seed where no magnitude draw is 0, so every gene must move.
    unsigned seed = 1;
    for (;; ++seed) {
        const std::vector<int> draws = firstDraws(seed, 45);
        bool allNonZero = true;
        for (size_t g = 0; g < 15; ++g)
            allNonZero = allNonZero && draws[3 * g + 2] % 10000 != 0;
        if (allNonZero)
            break;
    }
    const Evolver evolver = evolverWith(1.0f, 10.0f);
    NeuralNetwork network = original;
    EXPECT_EQ(drawsTaken(evolver, network, seed), 45);

    const std::vector<float> mutated = network.getData();
    ASSERT_EQ(mutated.size(), genes.size());
    int mutatedCount = 0;
    const std::vector<float> expected = replayedMutation(genes, seed, 1.0f, 10.0f, &mutatedCount);
    EXPECT_EQ(mutatedCount, 15);
    bool sawIncrease = false;
    bool sawDecrease = false;
    bool beyondWeightRange = false; // genes are not clamped to the network's weight range
    for (size_t g = 0; g < genes.size(); ++g) {
        EXPECT_NE(mutated[g], genes[g]) << "gene " << g; // input thresholds included
        EXPECT_EQ(mutated[g], expected[g]) << "gene " << g;
        EXPECT_LT(std::fabs(mutated[g] - genes[g]), 10.0f);
        sawIncrease = sawIncrease || mutated[g] > genes[g];
        sawDecrease = sawDecrease || mutated[g] < genes[g];
        beyondWeightRange = beyondWeightRange || std::fabs(mutated[g]) > 2.5f;
    }
    EXPECT_TRUE(sawIncrease);
    EXPECT_TRUE(sawDecrease);
    EXPECT_TRUE(beyondWeightRange);
    expectSameShape(network, original);
}

TEST(Mutation, PartialRateMutatesExactlyTheGenesWhoseTestDrawIsBelowIt)
{
    const NeuralNetwork original = sampleNetwork();
    const Evolver evolver = evolverWith(0.4f, 3.5f);
    for (unsigned seed : {2u, 17u, 123u}) {
        NeuralNetwork network = original;
        int mutatedCount = 0;
        const std::vector<float> expected = replayedMutation(original.getData(), seed, 0.4f, 3.5f, &mutatedCount);
        const int taken = drawsTaken(evolver, network, seed);
        EXPECT_EQ(network.getData(), expected) << "seed " << seed;
        EXPECT_EQ(taken, 15 + 2 * mutatedCount) << "seed " << seed;
    }
}

TEST(Mutation, TestDrawEqualToTheRateDoesNotMutate)
{
    // One gene: the network's single threshold.
    NeuralNetwork network;
    network.layers.assign(1, std::vector<modules::Neuron>(1));
    network.layers[0][0].threshold = 1.5f;

    // A seed whose first test draw is 0.05 exactly, as the operator computes it.
    unsigned seed = 1;
    while (firstDraws(seed, 1)[0] % 10000 != 500)
        ++seed;
    const float rate = spinOf(500);

    NeuralNetwork atRate = network;
    EXPECT_EQ(drawsTaken(evolverWith(rate, 10.0f), atRate, seed), 1);
    EXPECT_EQ(atRate.layers[0][0].threshold, 1.5f);

    // The next float above: the same draw now mutates, taking sign and magnitude too.
    const float justAbove = std::nextafter(rate, 1.0f);
    NeuralNetwork aboveRate = network;
    EXPECT_EQ(drawsTaken(evolverWith(justAbove, 10.0f), aboveRate, seed), 3);
    EXPECT_EQ(aboveRate.layers[0][0].threshold, replayedMutation({1.5f}, seed, justAbove, 10.0f)[0]);
}

TEST(Mutation, ZeroPerturbationKeepsEveryValueAlthoughEveryGeneIsDrawn)
{
    const NeuralNetwork original = sampleNetwork();
    NeuralNetwork network = original;
    EXPECT_EQ(drawsTaken(evolverWith(1.0f, 0.0f), network, 8), 45);
    EXPECT_EQ(network.getData(), original.getData());
    expectSameShape(network, original);
}

TEST(Mutation, RateAboveOneMutatesEveryGene)
{
    const NeuralNetwork original = sampleNetwork();
    NeuralNetwork network = original;
    EXPECT_EQ(drawsTaken(evolverWith(3.0f, 1.0f), network, 10), 45);
    EXPECT_EQ(network.getData(), replayedMutation(original.getData(), 10, 3.0f, 1.0f));
}

} // namespace
