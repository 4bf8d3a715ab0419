// The tasks' rules on the null device: what a vehicle takes and earns in a step, what its
// sensors read, and where a maze vehicle stops; and selection among fitness below zero.

#include "TestEngine.h"

#include "brain/NeuralNetwork.h"
#include "core/Engine.h"
#include "methods/Evolver.h"
#include "tasks/ForageTask.h"
#include "tasks/MazeTask.h"
#include "vehicle/Vehicle.h"
#include "vehicle/VehicleSensor.h"
#include "world/ItemManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

using irr::core::vector3df;
using modules::engine;
using modules::ItemManager;
using modules::Vehicle;

namespace {

class Tasks : public testing_support::NullEngineTest {
protected:
    void SetUp() override { startEngine(5); }

    // A vehicle at the origin facing -z: its sensors run from it towards (+-0.25, 0, -1).
    std::unique_ptr<Vehicle> vehicleAt(ItemManager* items, const modules::VehicleRules& rules,
                                       const vector3df& position = vector3df(0, 0, 0))
    {
        // No weights: it drives straight on, at the speed its second threshold gives.
        modules::NeuralNetwork network;
        network.addLayer(rules.inputCount());
        network.addLayer(2);
        network.setData(std::vector<float>(static_cast<size_t>(network.geneCount()), 0.0f));
        auto vehicle = std::make_unique<Vehicle>(network, engine.world->wallSelector, items, position);
        vehicle->rules = &rules;
        vehicle->node->updateAbsolutePosition();
        return vehicle;
    }
};

// Where a point one unit along sensor 0's line lies, at an item's height.
const vector3df ON_SENSOR_0(0.2425f, ItemManager::ITEM_RADIUS, -0.9701f);
const vector3df FAR_AWAY(4.0f, ItemManager::ITEM_RADIUS, 4.0f);

} // namespace

TEST_F(Tasks, ForageScoresFoodAndPoisonAndSensesThemApart)
{
    // Items: 0 poison, 1 food (a share of one half of two).
    modules::EvolutionParams params;
    params.itemCount = 2;
    params.poisonShare = 0.5f;
    const modules::ForageTask task(params);
    engine.world->itemCount = 2;
    struct Case {
        const char* name;
        vector3df poison, food;
        float fitness;
        int foodTaken, poisonTaken;
        std::vector<bool> reads; // which of the six inputs are above 0
    };
    const Case cases[] = {
        {"poison underfoot", vector3df(0.1f, 0.05f, 0), FAR_AWAY, -1, 0, 1, {false, false, false, false, false, false}},
        {"food underfoot", FAR_AWAY, vector3df(0.1f, 0.05f, 0), 1, 1, 0, {false, false, false, false, false, false}},
        {"poison ahead", ON_SENSOR_0, FAR_AWAY, 0, 0, 0, {false, false, false, false, true, false}},
        {"food ahead", FAR_AWAY, ON_SENSOR_0, 0, 0, 0, {false, false, true, false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<ItemManager> items(task.makeItems(*engine.world));
        ASSERT_EQ(items->kindOf(0), ItemManager::POISON);
        ASSERT_EQ(items->kindOf(1), ItemManager::FOOD);
        items->moveItem(0, c.poison);
        items->moveItem(1, c.food);
        auto vehicle = vehicleAt(items.get(), task);
        std::vector<float> inputs(6, 0.0f);
        task.sense(*vehicle, inputs);
        EXPECT_EQ(vehicle->fitness, c.fitness);
        EXPECT_EQ(vehicle->tally.food, c.foodTaken);
        EXPECT_EQ(vehicle->tally.poison, c.poisonTaken);
        for (size_t i = 0; i < 6; ++i)
            EXPECT_EQ(inputs[i] > 0.0f, c.reads[i]) << "input " << i << " = " << inputs[i];
        // A taken item comes back somewhere, of the same kind.
        EXPECT_EQ(items->kindOf(0), ItemManager::POISON);
        vehicle.reset();
    }
    EXPECT_EQ(modules::ForageTask::poisonCount(60, 0.5f), 30);
    EXPECT_EQ(modules::ForageTask::poisonCount(7, 1.0f), 7);
    EXPECT_EQ(modules::ForageTask::poisonCount(7, 0.0f), 0);
}

TEST_F(Tasks, AMazeVehicleScoresTheDistanceLeftAndStopsAtTheGoal)
{
    modules::MazeLayout layout;
    layout.start.set(-3.8f, 3.8f);
    layout.goal.set(1.0f, 0.0f);
    const modules::MazeTask task(layout);
    std::unique_ptr<ItemManager> items(task.makeItems(*engine.world));
    const float diagonal = irr::core::vector2df(9.0f, 9.0f).getLength();
    struct Case {
        float x;
        bool arrives;
    };
    for (const Case c : {Case{-2.0f, false}, Case{0.75f, true}}) {
        auto vehicle = vehicleAt(items.get(), task, vector3df(c.x, 0, 0));
        // Full speed ahead: only a vehicle that has not arrived moves.
        vehicle->brain.layers.back()[1].threshold = -100.0f;
        vehicle->update(modules::Engine::SIMULATION_STEP);
        EXPECT_FLOAT_EQ(vehicle->fitness, diagonal - std::fabs(1.0f - c.x));
        EXPECT_EQ(vehicle->tally.arrived, c.arrives);
        EXPECT_EQ(task.moves(*vehicle), !c.arrives);
        EXPECT_EQ(vehicle->velocity.getLength() > 0.0f, !c.arrives) << c.x;
    }
    EXPECT_EQ(task.startPosition(*engine.world), vector3df(-3.8f, 0, 3.8f));
    EXPECT_EQ(items->kindOf(0), ItemManager::GOAL);
    EXPECT_EQ(items->items[0]->getPosition().X, 1.0f); // reaching the goal leaves it where it is
}

TEST(GeneticAlgorithmBelowZero, TheRouletteWheelGivesTheWorstNothingAndTheRestKeepTheirOrder)
{
    // One gene each, told apart by it; no crossover or mutation, no elites.
    modules::NeuralNetwork shape;
    shape.addLayer(1);
    std::srand(3);
    modules::Evolver evolver(shape, 300, 0, 0, 0.0f, 0.0f, 0.0f);
    std::vector<float> fitness(300);
    for (size_t i = 0; i < fitness.size(); ++i) {
        evolver.population[i].setData({static_cast<float>(i % 3)});
        fitness[i] = i % 3 == 0 ? -3.0f : i % 3 == 1 ? -1.0f : 1.0f; // wheel shares 0, 2 and 4
    }
    evolver.tell(fitness);
    int chosen[3] = {0, 0, 0};
    for (const modules::NeuralNetwork& child : evolver.population)
        ++chosen[static_cast<int>(child.getData().at(0))];
    EXPECT_EQ(chosen[0], 0);
    EXPECT_GT(chosen[1], 70);
    EXPECT_GT(chosen[2], 160);
}

TEST_F(Tasks, TheMazesWallsStopVehiclesAndMeetTheirSensorsAndLeaveWithTheRun)
{
    std::string error;
    modules::EvolutionParams params;
    params.task = "maze";
    std::unique_ptr<modules::Task> task = modules::makeMazeTask(params, error);
    ASSERT_TRUE(task) << error;
    irr::scene::ITriangleSelector* arenaWalls = engine.world->wallSelector;
    task->enter(*engine.world);
    std::unique_ptr<ItemManager> items(task->makeItems(*engine.world));
    // Below the room's wall (z = -1.5), driving at it at full speed for two seconds.
    auto vehicle = vehicleAt(items.get(), *task, vector3df(2.0f, 0, -0.2f));
    vehicle->brain.layers.back()[1].threshold = -100.0f;
    float wallReading = 0.0f;
    irr::u32 time = 1;
    for (int s = 0; s < 60; ++s) {
        vehicle->update(modules::Engine::SIMULATION_STEP);
        engine.animateScene(time += 33);
        wallReading = std::max(wallReading, vehicle->sensors[0]->getWallProximity(vehicle->wallSelector));
    }
    EXPECT_GT(vehicle->node->getPosition().Z, -1.5f) << "the vehicle went through the wall";
    EXPECT_GT(wallReading, 0.5f);
    vehicle.reset();
    task->leave(*engine.world);
    EXPECT_EQ(engine.world->wallSelector, arenaWalls);
}
