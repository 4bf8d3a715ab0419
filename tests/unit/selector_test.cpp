// Parent selection: the roulette wheel and the tournament, with the generator seeded so
// that each draw is known beforehand. Networks are told apart by a tag stored as the
// threshold of their single neuron.

#include "brain/NeuralNetwork.h"
#include "evolution/Selector.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using modules::NeuralNetwork;
using modules::RouletteWheelSelector;
using modules::TournamentSelector;

namespace {

NeuralNetwork tagged(float fitness, float tag)
{
    NeuralNetwork network;
    network.layers.assign(1, std::vector<modules::Neuron>(1));
    network.layers[0][0].threshold = tag;
    network.fitness = fitness;
    return network;
}

float tagOf(const NeuralNetwork& network)
{
    return network.layers.at(0).at(0).threshold;
}

std::vector<int> firstDraws(unsigned seed, int count)
{
    std::srand(seed);
    std::vector<int> draws(static_cast<size_t>(count));
    for (int& d : draws)
        d = std::rand();
    return draws;
}

// The first seed from `from` on whose first `count` draws satisfy `accept`.
unsigned findSeed(int count, const std::function<bool(const std::vector<int>&)>& accept, unsigned from = 1)
{
    for (unsigned seed = from; seed < from + 5000000; ++seed)
        if (accept(firstDraws(seed, count)))
            return seed;
    ADD_FAILURE() << "no seed found";
    return from;
}

// How many numbers `action` takes from the generator seeded with `seed`.
int drawsTaken(unsigned seed, const std::function<void()>& action)
{
    const std::vector<int> reference = firstDraws(seed, 64);
    std::srand(seed);
    action();
    const int next = std::rand();
    for (size_t i = 0; i < reference.size(); ++i)
        if (reference[i] == next)
            return static_cast<int>(i);
    return -1;
}

// A seed whose first spin of the wheel is exactly k * 0.0001.
unsigned seedWithSpin(int k, unsigned from = 1)
{
    return findSeed(1, [k](const std::vector<int>& d) { return d[0] % 10000 == k; }, from);
}

class RouletteWheel : public ::testing::Test {
protected:
    // Ranked fitness 3, 1, 0, 0: the wheel is 4 wide; tags 10, 11, 12, 13.
    std::vector<NeuralNetwork> ranked{tagged(3, 10), tagged(1, 11), tagged(0, 12), tagged(0, 13)};

    float selectWithSpin(int k)
    {
        std::srand(seedWithSpin(k));
        RouletteWheelSelector selector(ranked);
        return tagOf(selector.select());
    }
};

TEST_F(RouletteWheel, WheelIsTheSumOfTheFitnessValues)
{
    EXPECT_EQ(RouletteWheelSelector(ranked).totalFitness, 4.0f);
}

TEST_F(RouletteWheel, SpinUpToThreeQuartersTakesTheFirstNetworkAboveItTheSecond)
{
    EXPECT_EQ(selectWithSpin(0), 10);
    EXPECT_EQ(selectWithSpin(1), 10);
    EXPECT_EQ(selectWithSpin(7499), 10);
    EXPECT_EQ(selectWithSpin(7500), 10); // target exactly 3: the first slot still holds it
    EXPECT_EQ(selectWithSpin(7501), 11);
    EXPECT_EQ(selectWithSpin(9999), 11); // the last spin cannot reach the zero-fitness slots
}

// One network of 1000 and 2000 of 0.01: the wheel is 1020.01953125 wide (summed in
// float), and a spin of 0.9816 aims at 1001.2637. The running sum, kept in double,
// first reaches it with network 126; summed in float it would lag and stop at 125.
TEST(RouletteWheelPrecision, RunningSumIsNotRoundedToFloat)
{
    std::vector<NeuralNetwork> population{tagged(1000, 0)};
    for (int i = 1; i <= 2000; ++i)
        population.push_back(tagged(0.01f, static_cast<float>(i)));
    RouletteWheelSelector selector(population);
    EXPECT_EQ(selector.totalFitness, 1020.01953125f);
    std::srand(seedWithSpin(9816));
    EXPECT_EQ(tagOf(selector.select()), 126);
}

TEST_F(RouletteWheel, ZeroFitnessNetworksAreNeverChosenOverManySpins)
{
    std::srand(7);
    RouletteWheelSelector selector(ranked);
    int first = 0;
    int second = 0;
    for (int i = 0; i < 2000; ++i) {
        const float tag = tagOf(selector.select());
        ASSERT_TRUE(tag == 10 || tag == 11) << tag;
        (tag == 10 ? first : second)++;
    }
    // Three quarters of the wheel belong to the first network.
    EXPECT_GT(first, 1350);
    EXPECT_GT(second, 350);
}

TEST_F(RouletteWheel, SelectReturnsACopyAndLeavesThePopulationAsItWas)
{
    std::srand(3);
    RouletteWheelSelector selector(ranked);
    NeuralNetwork chosen = selector.select();
    chosen.layers[0][0].threshold = 99;
    chosen.fitness = 99;
    EXPECT_EQ(tagOf(ranked[0]), 10);
    EXPECT_EQ(tagOf(ranked[1]), 11);
    EXPECT_EQ(ranked[0].fitness, 3);
    EXPECT_EQ(ranked[1].fitness, 1);
}

TEST(RouletteWheelEdges, AllFitnessZeroAlwaysGivesTheFirstNetwork)
{
    const std::vector<NeuralNetwork> population{tagged(0, 1), tagged(0, 2), tagged(0, 3)};
    std::srand(11);
    RouletteWheelSelector selector(population);
    EXPECT_EQ(selector.totalFitness, 0.0f);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(tagOf(selector.select()), 1);
}

TEST(RouletteWheelEdges, ASingleNetworkIsAlwaysChosen)
{
    for (float fitness : {0.0f, 2.0f}) {
        const std::vector<NeuralNetwork> population{tagged(fitness, 5)};
        std::srand(12);
        RouletteWheelSelector selector(population);
        for (int i = 0; i < 50; ++i)
            ASSERT_EQ(tagOf(selector.select()), 5) << "fitness " << fitness;
    }
}

TEST(RouletteWheelEdges, ASuccessfulSpinTakesOneNumber)
{
    const std::vector<NeuralNetwork> population{tagged(3, 1), tagged(1, 2), tagged(0, 3)};
    for (unsigned seed : {1u, 2u, 3u, 40u}) {
        RouletteWheelSelector selector(population);
        EXPECT_EQ(drawsTaken(seed, [&] { selector.select(); }), 1) << "seed " << seed;
    }
}

// Negative fitness: with a spin of 0 the target is 0 and no running sum reaches it.
TEST(RouletteWheelEdges, FailedWalkWritesTheNoteAndFallsBackToAUniformDraw)
{
    const std::vector<NeuralNetwork> population{tagged(-1, 1), tagged(-2, 2), tagged(-3, 3)};
    // Seeds whose spin is 0, so that the walk fails, and whose second draw picks each
    // index in turn.
    for (int index = 0; index < 3; ++index) {
        const unsigned seed = findSeed(2, [index](const std::vector<int>& d) {
            return d[0] % 10000 == 0 && static_cast<unsigned>(d[1]) % 3u == static_cast<unsigned>(index);
        });
        RouletteWheelSelector selector(population);
        float tag = 0;
        testing::internal::CaptureStdout();
        const int taken = drawsTaken(seed, [&] { tag = tagOf(selector.select()); });
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out, "Note: RouletteWheelSelector::select: roulette wheel failed\n");
        EXPECT_EQ(taken, 2);
        EXPECT_EQ(tag, population[static_cast<size_t>(index)].layers[0][0].threshold) << "index " << index;
    }
}

TEST(RouletteWheelEdges, SuccessfulSpinWritesNothing)
{
    const std::vector<NeuralNetwork> population{tagged(-1, 1), tagged(-2, 2)};
    // Total -3: a spin of 0.9999 aims at -2.9997, which the first running sum (-1) reaches.
    std::srand(seedWithSpin(9999));
    RouletteWheelSelector selector(population);
    testing::internal::CaptureStdout();
    const float tag = tagOf(selector.select());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(tag, 1);
}

class Tournament : public ::testing::Test {
protected:
    // Two of equal fitness and a weaker one.
    std::vector<NeuralNetwork> population{tagged(5, 20), tagged(5, 21), tagged(1, 22)};

    // Runs one tournament of two whose contestants are drawn at `first`, then `second`.
    float tournamentOf(unsigned first, unsigned second)
    {
        const unsigned seed = findSeed(2, [&](const std::vector<int>& d) {
            return static_cast<unsigned>(d[0]) % 3u == first && static_cast<unsigned>(d[1]) % 3u == second;
        });
        std::srand(seed);
        TournamentSelector selector(population, 2);
        return tagOf(selector.select());
    }
};

TEST_F(Tournament, TieGoesToTheContestantDrawnFirst)
{
    EXPECT_EQ(tournamentOf(1, 0), 21); // drawn first although it stands later
    EXPECT_EQ(tournamentOf(0, 1), 20);
    EXPECT_EQ(tournamentOf(1, 1), 21);
}

TEST_F(Tournament, FitterContestantWinsWhicheverIsDrawnFirst)
{
    EXPECT_EQ(tournamentOf(2, 0), 20);
    EXPECT_EQ(tournamentOf(0, 2), 20);
    EXPECT_EQ(tournamentOf(2, 1), 21);
    EXPECT_EQ(tournamentOf(2, 2), 22); // the same network drawn twice
}

TEST_F(Tournament, TakesOneNumberPerContestant)
{
    for (int size : {1, 2, 3}) {
        TournamentSelector selector(population, size);
        EXPECT_EQ(drawsTaken(5, [&] { selector.select(); }), size) << "size " << size;
    }
}

TEST_F(Tournament, SizeIsLoweredToThePopulationSize)
{
    EXPECT_EQ(TournamentSelector(population, 2).tournamentSize, 2);
    EXPECT_EQ(TournamentSelector(population, 3).tournamentSize, 3);
    EXPECT_EQ(TournamentSelector(population, 7).tournamentSize, 3);

    const std::vector<NeuralNetwork> single{tagged(0, 30)};
    TournamentSelector selector(single, 2);
    EXPECT_EQ(selector.tournamentSize, 1);
    EXPECT_EQ(drawsTaken(9, [&] { selector.select(); }), 1);
}

TEST(TournamentEdges, ASingleNetworkIsAlwaysChosen)
{
    const std::vector<NeuralNetwork> single{tagged(-4, 31)};
    std::srand(21);
    TournamentSelector selector(single, 2);
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(tagOf(selector.select()), 31);
}

TEST(TournamentEdges, EveryNetworkCanEnterAndTheWinnerIsACopy)
{
    // Equal fitness everywhere: the winner is the first contestant, a uniform draw.
    std::vector<NeuralNetwork> population{tagged(0, 1), tagged(0, 2), tagged(0, 3), tagged(0, 4)};
    std::srand(33);
    TournamentSelector selector(population, 2);
    std::vector<int> seen(4, 0);
    for (int i = 0; i < 400; ++i) {
        NeuralNetwork winner = selector.select();
        const int tag = static_cast<int>(tagOf(winner));
        ASSERT_GE(tag, 1);
        ASSERT_LE(tag, 4);
        seen[static_cast<size_t>(tag - 1)]++;
        winner.layers[0][0].threshold = 0;
    }
    for (int count : seen)
        EXPECT_GT(count, 50);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(tagOf(population[static_cast<size_t>(i)]), i + 1);
}

} // namespace
