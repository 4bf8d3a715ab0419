// The vehicle's motion model, highlight and wall response in the real arena, on the null
// device.

#include "TestEngine.h"
#include "VectorExpect.h"

#include "brain/NeuralNetwork.h"
#include "core/Engine.h"
#include "vehicle/Vehicle.h"
#include "world/ItemManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using irr::core::vector3df;
using modules::engine;
using modules::NeuralNetwork;
using modules::Vehicle;

namespace {

constexpr float DT = modules::Engine::SIMULATION_STEP;
constexpr double DEG_TO_RAD = 3.14159265358979323846 / 180.0;

// A (4, 4, 2) network whose weights are all 0: its outputs are sigmoid(-threshold), so a
// threshold of 0 gives 0.5, -1000 gives 1 and +1000 gives 0, whatever the sensors read.
NeuralNetwork fixedOutputs(float turnThreshold, float speedThreshold)
{
    NeuralNetwork network;
    network.addLayer(4);
    network.addLayer(4);
    network.addLayer(2);
    network.setData(std::vector<float>(34, 0.0f));
    network.layers[2][0].threshold = turnThreshold;
    network.layers[2][1].threshold = speedThreshold;
    return network;
}

class VehicleMotion : public testing_support::NullEngineTest {
protected:
    void SetUp() override
    {
        startEngine(3);
        items = std::make_unique<modules::ItemManager>(engine.world, 0);
    }

    void TearDown() override
    {
        vehicles.clear();
        items.reset();
        NullEngineTest::TearDown();
    }

    Vehicle& addVehicle(const NeuralNetwork& network, const vector3df& position, float headingDegrees = 0.0f)
    {
        vehicles.push_back(std::make_unique<Vehicle>(network, engine.world->wallSelector, items.get(), position));
        Vehicle& vehicle = *vehicles.back();
        vehicle.node->setRotation(vector3df(0.0f, headingDegrees, 0.0f));
        vehicle.node->updateAbsolutePosition();
        return vehicle;
    }

    // A step as the main loop makes it for these vehicles: updates, then the animation pass.
    void stepAll()
    {
        for (auto& vehicle : vehicles)
            vehicle->update(DT);
        animationTime += 33;
        engine.animateScene(animationTime);
    }

    std::unique_ptr<modules::ItemManager> items;
    std::vector<std::unique_ptr<Vehicle>> vehicles;
};

// Where a move of `distance` along the heading (degrees) takes a point.
vector3df along(const vector3df& from, float headingDegrees, float distance)
{
    const double y = headingDegrees * DEG_TO_RAD;
    return vector3df(static_cast<float>(from.X - distance * std::sin(y)), 0.0f,
                     static_cast<float>(from.Z - distance * std::cos(y)));
}

} // namespace

TEST_F(VehicleMotion, HalfOutputsHoldStillAndFullOutputsTurnThenDriveAlongTheNewHeading)
{
    Vehicle& still = addVehicle(fixedOutputs(0.0f, 0.0f), vector3df(1.0f, 0.0f, -2.0f), 30.0f);
    Vehicle& full = addVehicle(fixedOutputs(-1000.0f, -1000.0f), vector3df(-1.0f, 0.0f, 1.0f));
    EXPECT_VEC_EQ(full.velocity, vector3df(0, 0, 0));

    full.update(DT);
    still.update(DT);
    const float firstHeading = DT * 500.0f; // about 16.7 degrees
    EXPECT_FLOAT_EQ(full.node->getRotation().Y, firstHeading);
    const vector3df afterOne = along(vector3df(-1.0f, 0.0f, 1.0f), firstHeading, DT);
    EXPECT_VEC_NEAR(full.velocity, afterOne - vector3df(-1.0f, 0.0f, 1.0f), 1e-7f);
    EXPECT_VEC_NEAR(full.node->getPosition(), afterOne, 1e-6f);

    full.update(DT);
    EXPECT_FLOAT_EQ(full.node->getRotation().Y, 2.0f * firstHeading);
    EXPECT_VEC_NEAR(full.node->getPosition(), along(afterOne, 2.0f * firstHeading, DT), 1e-6f);
    EXPECT_NEAR(full.velocity.getLength(), DT, 1e-7f);

    for (int i = 0; i < 20; ++i)
        still.update(DT);
    EXPECT_VEC_EQ(still.node->getPosition(), vector3df(1.0f, 0.0f, -2.0f));
    EXPECT_EQ(still.node->getRotation().Y, 30.0f);
    EXPECT_EQ(still.velocity.getLength(), 0.0f);
}

TEST_F(VehicleMotion, NetworkThatCannotRunTurnsRightAndDrivesBackwards)
{
    Vehicle& noLayers = addVehicle(NeuralNetwork(), vector3df(0.0f, 0.0f, 0.0f));
    NeuralNetwork threeInputs;
    threeInputs.addLayer(3);
    threeInputs.addLayer(2);
    Vehicle& wrongInputs = addVehicle(threeInputs, vector3df(2.0f, 0.0f, 0.0f));

    testing::internal::CaptureStdout();
    noLayers.update(DT);
    wrongInputs.update(DT);
    noLayers.update(DT);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error: NeuralNetwork::process: no neuron layers.\n"
              "Error: NeuralNetwork::process: incorrect number of inputs given\n"
              "Error: NeuralNetwork::process: no neuron layers.\n");

    // Outputs stay (0, 0): a full turn to the right, full speed backwards.
    const float heading = -DT * 500.0f;
    EXPECT_FLOAT_EQ(wrongInputs.node->getRotation().Y, heading);
    EXPECT_VEC_NEAR(wrongInputs.node->getPosition(), along(vector3df(2.0f, 0.0f, 0.0f), heading, -DT), 1e-6f);
    EXPECT_FLOAT_EQ(noLayers.node->getRotation().Y, 2.0f * heading);
    const vector3df afterOne = along(vector3df(0, 0, 0), heading, -DT);
    EXPECT_VEC_NEAR(noLayers.node->getPosition(), along(afterOne, 2.0f * heading, -DT), 1e-6f);
}

TEST_F(VehicleMotion, HeightIsForcedBackToTheFloor)
{
    Vehicle& still = addVehicle(fixedOutputs(0.0f, 0.0f), vector3df(1.0f, 0.0f, 1.0f));
    Vehicle& driving = addVehicle(fixedOutputs(0.0f, -1000.0f), vector3df(-1.0f, 0.0f, 1.0f));
    still.node->setPosition(vector3df(1.0f, 0.3f, 1.0f));
    driving.node->setPosition(vector3df(-1.0f, -0.2f, 1.0f));
    still.update(DT);
    driving.update(DT);
    EXPECT_VEC_EQ(still.node->getPosition(), vector3df(1.0f, 0.0f, 1.0f));
    EXPECT_VEC_NEAR(driving.node->getPosition(), vector3df(-1.0f, 0.0f, 1.0f - DT), 1e-6f);
}

TEST_F(VehicleMotion, HighlightTurnsTheFirstMaterialRedAndBack)
{
    Vehicle& vehicle = addVehicle(fixedOutputs(0.0f, 0.0f), vector3df(0, 0, 0));
    const irr::video::SColor loaded = vehicle.node->getMaterial(0).AmbientColor;
    EXPECT_EQ(vehicle.baseColor, loaded);
    EXPECT_NE(loaded.color, 0xFFFF0000u) << "the vehicle mesh must not already be red";

    vehicle.setHighlight(true);
    EXPECT_EQ(vehicle.node->getMaterial(0).AmbientColor.color, 0xFFFF0000u);
    vehicle.setHighlight(true);
    EXPECT_EQ(vehicle.node->getMaterial(0).AmbientColor.color, 0xFFFF0000u);
    vehicle.setHighlight(false);
    EXPECT_EQ(vehicle.node->getMaterial(0).AmbientColor.color, loaded.color);
    vehicle.setHighlight(false);
    EXPECT_EQ(vehicle.node->getMaterial(0).AmbientColor.color, loaded.color);
}

TEST_F(VehicleMotion, DrivingIntoTheWallsNeverLeavesTheArena)
{
    const NeuralNetwork straightAhead = fixedOutputs(0.0f, -1000.0f);
    const NeuralNetwork circling = fixedOutputs(-0.2f, -1000.0f); // a wide left curve
    Vehicle& headOn = addVehicle(straightAhead, vector3df(3.0f, 0.0f, 0.5f), -90.0f);   // towards +X
    Vehicle& corner = addVehicle(straightAhead, vector3df(-3.0f, 0.0f, -3.0f), 45.0f);  // towards (-X, -Z)
    Vehicle& glancing = addVehicle(straightAhead, vector3df(-2.0f, 0.0f, 3.5f), -163.0f); // towards +Z, a little +X
    addVehicle(circling, vector3df(3.5f, 0.0f, 3.5f), -90.0f);
    Vehicle& reversing = addVehicle(fixedOutputs(0.0f, 1000.0f), vector3df(0.0f, 0.0f, -3.5f), 0.0f); // backwards to +Z

    for (int step = 0; step < 600; ++step) {
        stepAll();
        for (size_t i = 0; i < vehicles.size(); ++i) {
            const vector3df p = vehicles[i]->node->getPosition();
            ASSERT_TRUE(testing_support::isFinite(p)) << "vehicle " << i << " step " << step;
            ASSERT_LT(std::fabs(p.X), 5.0f) << "vehicle " << i << " step " << step;
            ASSERT_LT(std::fabs(p.Z), 5.0f) << "vehicle " << i << " step " << step;
        }
    }
    // They did reach the walls.
    EXPECT_GT(headOn.node->getPosition().X, 4.6f);
    EXPECT_LT(corner.node->getPosition().X, -4.6f);
    EXPECT_LT(corner.node->getPosition().Z, -4.6f);
    EXPECT_GT(glancing.node->getPosition().Z, 4.6f);
    EXPECT_GT(glancing.node->getPosition().X, 3.0f); // slid along the wall
    EXPECT_GT(reversing.node->getPosition().Z, 4.6f);
}

TEST_F(VehicleMotion, NonFiniteNetworkOutputsLeaveTheVehicleWhereItIs)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> allInfinite(34, inf);
    std::vector<float> allNaN(34, nan);
    std::vector<float> mixed(34, 0.0f);
    for (size_t i = 0; i < mixed.size(); ++i)
        mixed[i] = i % 2 == 0 ? inf : -inf;
    std::vector<float> nanOutputs(34, 0.0f);
    nanOutputs[28] = nan; // threshold of output 0
    nanOutputs[33] = nan; // threshold of output 1

    const std::vector<float>* genomes[] = {&allInfinite, &allNaN, &mixed, &nanOutputs};
    for (const std::vector<float>* genome : genomes) {
        NeuralNetwork network = fixedOutputs(0.0f, 0.0f);
        network.setData(*genome);
        addVehicle(network, vector3df(0.5f + vehicles.size(), 0.0f, 0.5f), 20.0f);
    }
    // Infinite thresholds alone saturate the outputs to finite values: that vehicle drives,
    // straight ahead at full speed.
    std::vector<float> infiniteThresholds(34, 0.0f);
    for (size_t h = 0; h < 4; ++h)
        infiniteThresholds[4 + 5 * h + 4] = inf;
    infiniteThresholds[33] = -inf;
    NeuralNetwork saturated = fixedOutputs(0.0f, 0.0f);
    saturated.setData(infiniteThresholds);
    Vehicle& driving = addVehicle(saturated, vector3df(-2.0f, 0.0f, -1.0f));

    for (int step = 0; step < 60; ++step) {
        stepAll();
        for (size_t i = 0; i < vehicles.size(); ++i) {
            const Vehicle& vehicle = *vehicles[i];
            ASSERT_TRUE(testing_support::isFinite(vehicle.node->getPosition())) << "vehicle " << i;
            ASSERT_TRUE(testing_support::isFinite(vehicle.node->getRotation())) << "vehicle " << i;
            ASSERT_TRUE(testing_support::isFinite(vehicle.velocity)) << "vehicle " << i;
        }
    }
    // The engine's collision response may round the position of a resting node in its last bit.
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_VEC_NEAR(vehicles[i]->node->getPosition(), vector3df(0.5f + i, 0.0f, 0.5f), 1e-5f) << "vehicle " << i;
        EXPECT_EQ(vehicles[i]->node->getRotation().Y, 20.0f) << "vehicle " << i;
    }
    EXPECT_GT(driving.node->getPosition().getDistanceFrom(vector3df(-2.0f, 0.0f, -1.0f)), 0.5f);
}
