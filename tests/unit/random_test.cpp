// Every random number comes from rand(), in a fixed order, so a seed reproduces a run. These
// tests replay the generator and check both the values drawn and how many numbers each
// operation takes: one extra or missing draw shifts everything after it.

#include "DrawReplay.h"
#include "TestEngine.h"
#include "VectorExpect.h"

#include "brain/NeuralNetwork.h"
#include "core/Random.h"
#include "vehicle/Vehicle.h"
#include "world/ItemManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using modules::NeuralNetwork;
using testing_support::DrawReplay;

namespace {

constexpr unsigned SEED = 20240611u;

// The generator's next number is the one the replay expects after its consumed() draws.
#define EXPECT_DRAWS_CONSUMED(replay) \
    EXPECT_EQ(std::rand(), (replay).upcoming()) << "expected exactly " << (replay).consumed() << " draws"

} // namespace

TEST(RandomDraws, FRandAndFRand2FollowTheDocumentedFormulas)
{
    DrawReplay replay(SEED, 2000);
    std::srand(SEED);
    bool sawPositive = false;
    bool sawNegative = false;
    for (int i = 0; i < 300; ++i) {
        const float expected = replay.nextFRand2();
        const float actual = modules::fRand2();
        ASSERT_EQ(actual, expected) << "fRand2 call " << i;
        EXPECT_LE(actual, 0.9999f);
        EXPECT_GE(actual, -0.9999f);
        sawPositive = sawPositive || actual > 0.0f;
        sawNegative = sawNegative || actual < 0.0f;
    }
    EXPECT_TRUE(sawPositive);
    EXPECT_TRUE(sawNegative);
    EXPECT_DRAWS_CONSUMED(replay); // two numbers per call
    replay.skip(1);

    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(modules::fRand(), replay.nextFRand()) << "fRand call " << i;
    EXPECT_DRAWS_CONSUMED(replay); // one number per call
}

TEST(RandomDraws, AddLayerDrawsThresholdThenWeightsNeuronByNeuron)
{
    const float range = 0.5f;
    DrawReplay replay(SEED, 200);
    std::srand(SEED);
    NeuralNetwork network(range);
    network.addLayer(3);
    network.addLayer(2);
    network.addLayer(1);

    ASSERT_EQ(network.layers.size(), 3u);
    const size_t expectedWeights[] = {0, 3, 2};
    const size_t expectedNeurons[] = {3, 2, 1};
    for (size_t k = 0; k < 3; ++k) {
        ASSERT_EQ(network.layers[k].size(), expectedNeurons[k]);
        for (size_t n = 0; n < network.layers[k].size(); ++n) {
            const modules::Neuron& neuron = network.layers[k][n];
            EXPECT_EQ(neuron.weightRange, range);
            EXPECT_EQ(neuron.threshold, replay.nextFRand2() * range) << "layer " << k << " neuron " << n;
            ASSERT_EQ(neuron.weights.size(), expectedWeights[k]);
            for (size_t w = 0; w < neuron.weights.size(); ++w)
                EXPECT_EQ(neuron.weights[w], replay.nextFRand2() * range)
                    << "layer " << k << " neuron " << n << " weight " << w;
        }
    }
    // (3 thresholds) + 2 * (1 + 3) + 1 * (1 + 2) values, two numbers each.
    EXPECT_EQ(replay.consumed(), 2u * (3 + 8 + 3));
    EXPECT_DRAWS_CONSUMED(replay);
}

TEST(RandomDraws, RandomizeRedrawsEveryValueWithTheNeuronsOwnRange)
{
    NeuralNetwork network(0.5f);
    network.addLayer(4);
    network.weightRange = 2.0f; // later layers get another range
    network.addLayer(3);
    network.addLayer(2);

    DrawReplay replay(SEED + 1, 200);
    std::srand(SEED + 1);
    network.randomize();

    const float ranges[] = {0.5f, 2.0f, 2.0f};
    for (size_t k = 0; k < network.layers.size(); ++k) {
        for (size_t n = 0; n < network.layers[k].size(); ++n) {
            const modules::Neuron& neuron = network.layers[k][n];
            EXPECT_EQ(neuron.weightRange, ranges[k]);
            EXPECT_EQ(neuron.threshold, replay.nextFRand2() * ranges[k]) << "layer " << k << " neuron " << n;
            for (size_t w = 0; w < neuron.weights.size(); ++w)
                EXPECT_EQ(neuron.weights[w], replay.nextFRand2() * ranges[k])
                    << "layer " << k << " neuron " << n << " weight " << w;
        }
    }
    EXPECT_EQ(replay.consumed(), 2u * network.getData().size());
    EXPECT_DRAWS_CONSUMED(replay);
}

namespace {

class PlacementDraws : public testing_support::NullEngineTest {
};

} // namespace

TEST_F(PlacementDraws, ItemsTakeXThenZFromTheWorldsExtents)
{
    startEngine(SEED);
    modules::World& world = *modules::engine.world;
    // Extents other than the usual 9 show that placement scales by the World's own values.
    world.arenaWidth = 4.0f;
    world.arenaDepth = 2.0f;

    DrawReplay replay(SEED, 100);
    std::srand(SEED);
    modules::ItemManager items(&world, 5);

    ASSERT_EQ(items.items.size(), 5u);
    for (size_t i = 0; i < items.items.size(); ++i) {
        const float x = replay.nextFRand2() * 4.0f * 0.5f;
        const float z = replay.nextFRand2() * 2.0f * 0.5f;
        const irr::core::vector3df position = items.items[i]->getPosition();
        EXPECT_EQ(position.X, x) << "item " << i;
        EXPECT_EQ(position.Y, 0.05f) << "item " << i;
        EXPECT_EQ(position.Z, z) << "item " << i;
    }
    EXPECT_DRAWS_CONSUMED(replay);
}

TEST_F(PlacementDraws, CreateVehiclesPlacesAllItemsFirstThenAllVehicles)
{
    startEngine(SEED);
    modules::World& world = *modules::engine.world;
    std::vector<NeuralNetwork> networks(4, NeuralNetwork());
    for (NeuralNetwork& network : networks) {
        network.addLayer(4);
        network.addLayer(4);
        network.addLayer(2);
    }
    world.itemCount = 3;
    world.vehicleCount = 4;

    DrawReplay replay(SEED + 2, 100);
    std::srand(SEED + 2);
    world.createVehicles(networks);

    ASSERT_NE(world.itemManager, nullptr);
    ASSERT_EQ(world.itemManager->items.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const float x = replay.nextFRand2() * 9.0f * 0.5f;
        const float z = replay.nextFRand2() * 9.0f * 0.5f;
        EXPECT_VEC_EQ(world.itemManager->items[i]->getPosition(), irr::core::vector3df(x, 0.05f, z)) << "item " << i;
    }
    ASSERT_EQ(world.vehicles.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const float x = replay.nextFRand2() * 9.0f * 0.5f;
        const float z = replay.nextFRand2() * 9.0f * 0.5f;
        EXPECT_VEC_EQ(world.vehicles[i]->node->getPosition(), irr::core::vector3df(x, 0.0f, z)) << "vehicle " << i;
    }
    EXPECT_EQ(replay.consumed(), 4u * (3 + 4));
    EXPECT_DRAWS_CONSUMED(replay);
    world.destroyVehicles();
}
