// Building, highlighting and tearing down a generation of vehicles and items.

#include "TestEngine.h"
#include "VectorExpect.h"

#include "brain/NeuralNetwork.h"
#include "core/Engine.h"
#include "gui/CameraController.h"
#include "vehicle/Vehicle.h"
#include "world/ItemManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using modules::engine;
using modules::NeuralNetwork;
using modules::Vehicle;
using modules::World;

namespace {

constexpr irr::u32 RED = 0xFFFF0000u;

std::vector<NeuralNetwork> randomNetworks(size_t count)
{
    std::vector<NeuralNetwork> networks;
    for (size_t i = 0; i < count; ++i) {
        NeuralNetwork network;
        network.addLayer(4);
        network.addLayer(4);
        network.addLayer(2);
        networks.push_back(network);
    }
    return networks;
}

class Population : public testing_support::NullEngineTest {
protected:
    void SetUp() override { startEngine(17); }

    World& world() { return *engine.world; }
    Vehicle* followed() { return engine.cameraController->followedVehicle; }
    size_t sceneNodeCount() { return engine.sceneManager->getRootSceneNode()->getChildren().size(); }
    irr::u32 colourOf(const Vehicle* vehicle) { return vehicle->node->getMaterial(0).AmbientColor.color; }
};

} // namespace

TEST_F(Population, CreateVehiclesBuildsItemsAndOneVehiclePerNetworkAndResetsTheClocks)
{
    const std::vector<NeuralNetwork> networks = randomNetworks(4);
    world().itemCount = 5;
    world().vehicleCount = 3; // the list may be longer than the population
    world().generationClock = 12.0f;
    world().highlightTimer = 2.0f;
    world().createVehicles(networks);

    ASSERT_NE(world().itemManager, nullptr);
    EXPECT_EQ(world().itemManager->items.size(), 5u);
    ASSERT_EQ(world().vehicles.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const Vehicle& vehicle = *world().vehicles[i];
        EXPECT_EQ(vehicle.brain.getData(), networks[i].getData()) << "vehicle " << i;
        EXPECT_EQ(vehicle.fitness, 0.0f);
        EXPECT_EQ(vehicle.itemManager, world().itemManager);
        EXPECT_EQ(vehicle.wallSelector, world().wallSelector);
        const irr::core::vector3df p = vehicle.node->getPosition();
        EXPECT_LT(std::fabs(p.X), 4.5f);
        EXPECT_LT(std::fabs(p.Z), 4.5f);
        EXPECT_EQ(p.Y, 0.0f);
    }
    EXPECT_EQ(world().generationClock, 0.0f);
    EXPECT_EQ(world().highlightTimer, 0.0f);
    EXPECT_EQ(world().highlightedVehicle, nullptr);
    EXPECT_EQ(world().vehicleCount, 3);
    EXPECT_EQ(world().itemCount, 5);
}

TEST_F(Population, NoVehiclesOrNoItems)
{
    const std::vector<NeuralNetwork> networks = randomNetworks(2);
    world().itemCount = 4;
    world().vehicleCount = 0;
    world().createVehicles(networks);
    ASSERT_NE(world().itemManager, nullptr);
    EXPECT_EQ(world().itemManager->items.size(), 4u);
    EXPECT_TRUE(world().vehicles.empty());
    // No best vehicle: the timer only counts down.
    world().updateHighlight();
    world().updateHighlight();
    EXPECT_EQ(world().highlightTimer, 0.0f - modules::Engine::SIMULATION_STEP - modules::Engine::SIMULATION_STEP);
    EXPECT_EQ(world().highlightedVehicle, nullptr);
    EXPECT_EQ(followed(), nullptr);
    world().destroyVehicles();

    world().itemCount = 0;
    world().vehicleCount = 2;
    world().createVehicles(networks);
    ASSERT_NE(world().itemManager, nullptr);
    EXPECT_TRUE(world().itemManager->items.empty());
    EXPECT_EQ(world().vehicles.size(), 2u);
    world().destroyVehicles();
}

TEST_F(Population, HighlightGoesToTheFirstFittestVehicleAndIsReviewedInThe91stFrameAfterAChange)
{
    world().itemCount = 0;
    world().vehicleCount = 4;
    world().createVehicles(randomNetworks(4));
    std::vector<Vehicle*>& v = world().vehicles;
    const irr::u32 loaded = colourOf(v[0]);
    ASSERT_NE(loaded, RED);

    // All equal: the first vehicle, in the first frame.
    world().updateHighlight();
    EXPECT_EQ(world().highlightedVehicle, v[0]);
    EXPECT_EQ(followed(), v[0]);
    EXPECT_EQ(colourOf(v[0]), RED);
    EXPECT_EQ(colourOf(v[1]), loaded);

    // Two others become fitter at once; the highlight holds for 3 s of drawn frames.
    v[2]->fitness = 1.0f;
    v[3]->fitness = 1.0f;
    for (int frame = 1; frame <= 90; ++frame) {
        world().updateHighlight();
        ASSERT_EQ(world().highlightedVehicle, v[0]) << "frame " << frame << " after the change";
    }
    world().updateHighlight(); // the 91st
    EXPECT_EQ(world().highlightedVehicle, v[2]); // the lower index of the two equals
    EXPECT_EQ(followed(), v[2]);
    EXPECT_EQ(colourOf(v[2]), RED);
    EXPECT_EQ(colourOf(v[3]), loaded);
    EXPECT_EQ(colourOf(v[0]), loaded);

    // While the best stays the highlighted one, the timer runs on below zero and every frame
    // looks again: an overtaker is highlighted at once.
    for (int frame = 1; frame <= 120; ++frame)
        world().updateHighlight();
    EXPECT_EQ(world().highlightedVehicle, v[2]);
    EXPECT_LT(world().highlightTimer, 0.0f);
    v[1]->fitness = 2.0f;
    world().updateHighlight();
    EXPECT_EQ(world().highlightedVehicle, v[1]);
    EXPECT_EQ(followed(), v[1]);
    EXPECT_EQ(colourOf(v[1]), RED);
    EXPECT_EQ(colourOf(v[2]), loaded);
    EXPECT_EQ(world().highlightTimer, 3.0f - modules::Engine::SIMULATION_STEP);
}

TEST_F(Population, DestroyVehiclesEmptiesTheWorldAndTheScene)
{
    const size_t emptyScene = sceneNodeCount();
    world().destroyVehicles(); // on an empty World: nothing to do
    EXPECT_EQ(sceneNodeCount(), emptyScene);

    world().itemCount = 6;
    world().vehicleCount = 3;
    world().createVehicles(randomNetworks(3));
    EXPECT_EQ(sceneNodeCount(), emptyScene + 6 + 3);
    world().updateHighlight();
    ASSERT_NE(followed(), nullptr);
    world().generationClock = 4.0f;
    const float timer = world().highlightTimer;

    world().destroyVehicles();
    EXPECT_EQ(sceneNodeCount(), emptyScene);
    EXPECT_EQ(world().itemManager, nullptr);
    EXPECT_TRUE(world().vehicles.empty());
    EXPECT_EQ(world().highlightedVehicle, nullptr);
    EXPECT_EQ(followed(), nullptr);
    // The clocks and the parameters stay.
    EXPECT_EQ(world().generationClock, 4.0f);
    EXPECT_EQ(world().highlightTimer, timer);
    EXPECT_EQ(world().itemCount, 6);
    EXPECT_EQ(world().vehicleCount, 3);

    // The World can be populated again.
    world().createVehicles(randomNetworks(3));
    EXPECT_EQ(sceneNodeCount(), emptyScene + 6 + 3);
    world().updateHighlight();
    EXPECT_EQ(followed(), world().vehicles[0]);
}
