// Items and line sensors in the real arena, on the null device.

#include "DrawReplay.h"
#include "TestEngine.h"
#include "VectorExpect.h"

#include "brain/NeuralNetwork.h"
#include "core/Engine.h"
#include "vehicle/Vehicle.h"
#include "vehicle/VehicleSensor.h"
#include "world/ItemManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using irr::core::vector3df;
using modules::engine;
using modules::ItemManager;
using modules::NeuralNetwork;
using modules::Vehicle;
using modules::VehicleSensor;
using testing_support::DrawReplay;

namespace {

constexpr float DT = modules::Engine::SIMULATION_STEP;

class ItemsAndSensors : public testing_support::NullEngineTest {
protected:
    void SetUp() override { startEngine(11); }

    modules::World& world() { return *engine.world; }

    // A bare node with the transformation the sensors read already computed.
    irr::scene::ISceneNode* addProbe(const vector3df& position, const vector3df& rotation = vector3df(0, 0, 0))
    {
        irr::scene::ISceneNode* node = engine.sceneManager->addEmptySceneNode(nullptr, -1);
        node->setPosition(position);
        node->setRotation(rotation);
        node->updateAbsolutePosition();
        return node;
    }

    size_t sceneNodeCount() { return engine.sceneManager->getRootSceneNode()->getChildren().size(); }
};

} // namespace

TEST_F(ItemsAndSensors, CollectionReachesBelowPointTwoAndTakesTheLowerIndexFirst)
{
    ItemManager none(&world(), 0);
    EXPECT_TRUE(none.items.empty());
    EXPECT_FALSE(none.collectItem(vector3df(0, 0, 0)));

    ItemManager items(&world(), 4);
    const vector3df at(0.0f, 0.05f, 0.0f);
    // Exactly 0.2 away along each axis of the plane: out of reach.
    items.moveItem(0, vector3df(0.2f, 0.05f, 0.0f));
    items.moveItem(1, vector3df(0.0f, 0.05f, -0.2f));
    items.moveItem(2, vector3df(-0.2f, 0.05f, 0.0f));
    items.moveItem(3, vector3df(3.0f, 0.05f, 3.0f));
    const size_t nodesBefore = sceneNodeCount();
    EXPECT_FALSE(items.collectItem(at));
    // Over 0.2 in three dimensions: horizontally 0.195 but 0.05 above a vehicle at height 0.
    items.moveItem(3, vector3df(0.0f, 0.05f, 0.195f));
    EXPECT_FALSE(items.collectItem(vector3df(0.0f, 0.0f, 0.0f)));
    EXPECT_VEC_EQ(items.items[0]->getPosition(), vector3df(0.2f, 0.05f, 0.0f));
    EXPECT_VEC_EQ(items.items[1]->getPosition(), vector3df(0.0f, 0.05f, -0.2f));
    EXPECT_VEC_EQ(items.items[3]->getPosition(), vector3df(0.0f, 0.05f, 0.195f));

    // 0.1999 is within reach; item 2 (0.15 away) and item 3 (0.05 away) are too, but the
    // lowest index goes first and one call collects one item.
    items.moveItem(1, vector3df(0.0f, 0.05f, -0.1999f));
    items.moveItem(2, vector3df(-0.15f, 0.05f, 0.0f));
    items.moveItem(3, vector3df(0.0f, 0.05f, 0.05f));

    DrawReplay replay(99, 64);
    std::srand(99);
    std::vector<vector3df> replacements;
    for (int i = 0; i < 3; ++i) {
        const float x = replay.nextFRand2() * 4.5f;
        const float z = replay.nextFRand2() * 4.5f;
        replacements.emplace_back(x, 0.05f, z);
        ASSERT_GE(replacements.back().getDistanceFrom(at), 0.2f) << "seed gives a replacement within reach";
    }

    EXPECT_TRUE(items.collectItem(at));
    EXPECT_VEC_EQ(items.items[1]->getPosition(), replacements[0]); // replaced in the same slot
    EXPECT_VEC_EQ(items.items[2]->getPosition(), vector3df(-0.15f, 0.05f, 0.0f));
    EXPECT_VEC_EQ(items.items[3]->getPosition(), vector3df(0.0f, 0.05f, 0.05f));

    EXPECT_TRUE(items.collectItem(at));
    EXPECT_VEC_EQ(items.items[2]->getPosition(), replacements[1]);
    EXPECT_VEC_EQ(items.items[3]->getPosition(), vector3df(0.0f, 0.05f, 0.05f));

    // Horizontally 0.19 at 0.05 above: 0.1965 in three dimensions, within reach.
    items.moveItem(3, vector3df(0.19f, 0.05f, 0.0f));
    EXPECT_TRUE(items.collectItem(vector3df(0.0f, 0.0f, 0.0f)));
    EXPECT_VEC_EQ(items.items[3]->getPosition(), replacements[2]);
    EXPECT_FALSE(items.collectItem(at));

    ASSERT_EQ(items.items.size(), 4u);
    EXPECT_EQ(sceneNodeCount(), nodesBefore); // each collected node left the scene
    for (irr::scene::ISceneNode* item : items.items)
        EXPECT_EQ(item->getParent(), engine.sceneManager->getRootSceneNode());
}

TEST_F(ItemsAndSensors, ReplacementIsSeenInTheSameStepByTheCollectorAndLaterVehicles)
{
    // Where the collected item's replacement will land, and the one after it.
    DrawReplay replay(5, 16);
    vector3df first(0.0f, 0.05f, 0.0f);
    vector3df second(0.0f, 0.05f, 0.0f);
    for (vector3df* p : {&first, &second}) {
        p->X = replay.nextFRand2() * 4.5f;
        p->Z = replay.nextFRand2() * 4.5f;
    }

    // The collecting vehicle, heading -Z, stands so that the replacement lies on its sensor 0
    // one unit from the start. Its network turns it only if input 2 (item reading of
    // sensor 0) is positive.
    NeuralNetwork looksForItems;
    looksForItems.addLayer(4);
    looksForItems.addLayer(2);
    std::vector<float> genome(looksForItems.getData().size(), 0.0f);
    genome[4 + 2] = 1000.0f; // output 0 (turn) from input 2
    looksForItems.setData(genome);
    const vector3df sensorDirection = vector3df(0.25f, 0.0f, -1.0f).normalize();
    const vector3df collectorAt = vector3df(first.X, 0.0f, first.Z) - sensorDirection;

    ItemManager items(&world(), 1);
    // The original item is beside the collector, out of both sensors' reach.
    items.moveItem(0, collectorAt + vector3df(-0.15f, 0.05f, 0.0f));

    NeuralNetwork still;
    still.addLayer(4);
    still.addLayer(2);
    still.setData(std::vector<float>(still.getData().size(), 0.0f));

    Vehicle collector(looksForItems, world().wallSelector, &items, collectorAt);
    Vehicle later(still, world().wallSelector, &items, vector3df(first.X, 0.0f, first.Z));
    collector.node->updateAbsolutePosition();
    later.node->updateAbsolutePosition();

    std::srand(5);
    collector.update(DT);
    EXPECT_EQ(collector.fitness, 1.0f);
    EXPECT_VEC_EQ(items.items[0]->getPosition(), first);
    // It sensed the replacement: full turn to the left.
    EXPECT_FLOAT_EQ(collector.node->getRotation().Y, DT * 500.0f);
    EXPECT_NEAR(collector.sensors[0]->getItemProximity(&items), std::sqrt(1.0f + 0.05f * 0.05f) / 2.0f, 1e-5f);

    later.update(DT);
    EXPECT_EQ(later.fitness, 1.0f);
    EXPECT_VEC_EQ(items.items[0]->getPosition(), second);
}

TEST_F(ItemsAndSensors, WallReadingGrowsFromTheTipAndIsZeroWithoutAWall)
{
    irr::scene::ITriangleSelector* walls = world().wallSelector;
    ASSERT_NE(walls, nullptr);

    // 0.5 from the inner face of each wall, pointing at it: the wall is 1.5 from the tip.
    struct Case {
        vector3df position;
        vector3df direction;
    } cases[] = {
        {{4.5f, 0.0f, 0.3f}, {1, 0, 0}},
        {{-4.5f, 0.0f, -1.0f}, {-1, 0, 0}},
        {{2.0f, 0.0f, 4.5f}, {0, 0, 1}},
        {{-3.0f, 0.0f, -4.5f}, {0, 0, -1}},
    };
    for (const Case& c : cases) {
        VehicleSensor sensor(addProbe(c.position), vector3df(0, 0, 0), c.direction, 2.0f);
        sensor.place();
        EXPECT_NEAR(sensor.getWallProximity(walls), 0.75f, 1e-5f)
            << "from " << testing::PrintToString(c.position);
    }

    // The sensor turns with its node: local -Z under a rotation of -90 degrees is world +X.
    VehicleSensor turned(addProbe(vector3df(4.5f, 0.0f, 0.0f), vector3df(0.0f, -90.0f, 0.0f)),
                         vector3df(0, 0, 0), vector3df(0, 0, -1), 2.0f);
    turned.place();
    EXPECT_NEAR(turned.getWallProximity(walls), 0.75f, 1e-5f);

    // Nothing within reach: 0. Pointing away from the near wall: 0.
    VehicleSensor centre(addProbe(vector3df(0, 0, 0)), vector3df(0, 0, 0), vector3df(1, 0, 0), 2.0f);
    centre.place();
    EXPECT_EQ(centre.getWallProximity(walls), 0.0f);
    VehicleSensor away(addProbe(vector3df(4.5f, 0.0f, 0.0f)), vector3df(0, 0, 0), vector3df(-1, 0, 0), 2.0f);
    away.place();
    EXPECT_EQ(away.getWallProximity(walls), 0.0f);

    // Placement reads the transformation the scene graph last computed, not a position set
    // since then.
    irr::scene::ISceneNode* moved = addProbe(vector3df(0, 0, 0));
    VehicleSensor lagging(moved, vector3df(0, 0, 0), vector3df(1, 0, 0), 2.0f);
    moved->setPosition(vector3df(4.5f, 0.0f, 0.0f));
    lagging.place();
    EXPECT_VEC_EQ(lagging.worldLine.start, vector3df(0, 0, 0));
    EXPECT_EQ(lagging.getWallProximity(walls), 0.0f);
    moved->updateAbsolutePosition();
    lagging.place();
    EXPECT_NEAR(lagging.getWallProximity(walls), 0.75f, 1e-5f);
}

TEST_F(ItemsAndSensors, ItemReadingFollowsTheItemNearestTheVehicleWithinPointOneOfTheSegment)
{
    // Segment from the origin to (0, 0, -2).
    VehicleSensor sensor(addProbe(vector3df(0, 0, 0)), vector3df(0, 0, 0), vector3df(0, 0, -1), 2.0f);
    sensor.place();
    EXPECT_VEC_EQ(sensor.worldLine.start, vector3df(0, 0, 0));
    EXPECT_VEC_NEAR(sensor.worldLine.end, vector3df(0, 0, -2), 1e-6f);

    ItemManager none(&world(), 0);
    EXPECT_EQ(sensor.getItemProximity(&none), 0.0f);

    ItemManager one(&world(), 1);
    auto readingWith = [&](const vector3df& position) {
        one.moveItem(0, position);
        return sensor.getItemProximity(&one);
    };
    EXPECT_NEAR(readingWith(vector3df(0.09f, 0.0f, -1.0f)), std::sqrt(1.0f + 0.09f * 0.09f) / 2.0f, 1e-6f);
    EXPECT_EQ(readingWith(vector3df(0.1f, 0.0f, -1.0f)), 0.0f);
    // The distance counts in three dimensions: 0.09 across and 0.05 up is 0.103.
    EXPECT_EQ(readingWith(vector3df(0.09f, 0.05f, -1.0f)), 0.0f);
    EXPECT_GT(readingWith(vector3df(0.06f, 0.05f, -1.0f)), 0.0f);
    // At the tip 0, the same as nothing; just beyond it a little above 0.
    EXPECT_EQ(readingWith(vector3df(0.0f, 0.0f, -2.0f)), 0.0f);
    EXPECT_NEAR(readingWith(vector3df(0.0f, 0.0f, -2.05f)), 0.025f, 1e-6f);
    // Half way: 0.5; just behind the start: a little above 1.
    EXPECT_NEAR(readingWith(vector3df(0.0f, 0.0f, -1.0f)), 0.5f, 1e-6f);
    EXPECT_NEAR(readingWith(vector3df(0.0f, 0.0f, 0.05f)), 1.025f, 1e-6f);
    EXPECT_EQ(readingWith(vector3df(0.0f, 0.0f, 0.1f)), 0.0f);

    // Two items on the sensor: the one nearer the vehicle counts, though it comes later in the
    // list and the other is nearer the tip.
    ItemManager two(&world(), 2);
    two.moveItem(0, vector3df(0.0f, 0.0f, -1.9f));
    two.moveItem(1, vector3df(0.05f, 0.0f, -0.5f));
    EXPECT_NEAR(sensor.getItemProximity(&two), std::sqrt(1.5f * 1.5f + 0.05f * 0.05f) / 2.0f, 1e-6f);
    // An item off the segment does not compete.
    two.moveItem(1, vector3df(0.5f, 0.0f, -0.5f));
    EXPECT_NEAR(sensor.getItemProximity(&two), 0.05f, 1e-6f);
}

TEST_F(ItemsAndSensors, VehicleSensorsPointForwardToEitherSideFromTheLastComputedPose)
{
    ItemManager items(&world(), 0);
    // Turns at full rate on the spot.
    NeuralNetwork network;
    network.addLayer(4);
    network.addLayer(2);
    network.setData(std::vector<float>(network.getData().size(), 0.0f));
    network.layers[1][0].threshold = -1000.0f;
    Vehicle vehicle(network, world().wallSelector, &items, vector3df(1.0f, 0.0f, 2.0f));

    ASSERT_EQ(vehicle.sensors.size(), 2u);
    const vector3df ends[] = {vector3df(0.4850712f, 0.0f, -1.940285f), vector3df(-0.4850712f, 0.0f, -1.940285f)};
    for (size_t i = 0; i < 2; ++i) {
        const VehicleSensor& sensor = *vehicle.sensors[i];
        EXPECT_EQ(sensor.node, vehicle.node);
        EXPECT_VEC_EQ(sensor.localLine.start, vector3df(0, 0, 0));
        EXPECT_VEC_NEAR(sensor.localLine.end, ends[i], 1e-6f);
        // Until the vehicle's first step.
        EXPECT_VEC_EQ(sensor.worldLine.start, vector3df(0, 0, 0));
        EXPECT_VEC_EQ(sensor.worldLine.end, vector3df(1, 1, 1));
    }

    // The first step, before any animation pass, still has the transformation the node got
    // when it was created at the origin.
    vehicle.update(DT);
    EXPECT_VEC_EQ(vehicle.sensors[0]->worldLine.start, vector3df(0, 0, 0));
    EXPECT_VEC_NEAR(vehicle.sensors[0]->worldLine.end, ends[0], 1e-6f);

    // After the animation pass: where the vehicle stood and how it was turned then, not the
    // turn of the current step.
    engine.animateScene(33);
    const vector3df at = vehicle.node->getPosition();
    const double heading = vehicle.node->getRotation().Y * 3.14159265358979323846 / 180.0;
    vehicle.update(DT);
    for (size_t i = 0; i < 2; ++i) {
        const vector3df& local = ends[i];
        const vector3df end(static_cast<float>(at.X + local.X * std::cos(heading) + local.Z * std::sin(heading)), 0.0f,
                            static_cast<float>(at.Z - local.X * std::sin(heading) + local.Z * std::cos(heading)));
        EXPECT_VEC_NEAR(vehicle.sensors[i]->worldLine.start, at, 1e-6f) << "sensor " << i;
        EXPECT_VEC_NEAR(vehicle.sensors[i]->worldLine.end, end, 1e-5f) << "sensor " << i;
    }
    EXPECT_NEAR(at.getDistanceFrom(vector3df(1.0f, 0.0f, 2.0f)), 0.0f, 1e-5f);
}

// A vehicle may be built without items (the vehicle's own step already allows it); its
// sensors then read no item instead of following a null pointer.
TEST_F(ItemsAndSensors, VehicleWithoutItemsSensesNone)
{
    NeuralNetwork network;
    network.addLayer(4);
    network.addLayer(2);
    Vehicle vehicle(network, world().wallSelector, nullptr, vector3df(1.0f, 0.0f, 2.0f));
    engine.animateScene(33);
    vehicle.update(DT);
    EXPECT_EQ(vehicle.sensors[0]->getItemProximity(nullptr), 0.0f);
    EXPECT_EQ(vehicle.fitness, 0.0f);
}
