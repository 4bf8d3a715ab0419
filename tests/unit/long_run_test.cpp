// Twenty vehicles with random networks run for 600 steps (20 simulated seconds) in the real
// arena, on the null device, through the same step the window's main loop makes.

#include "TestEngine.h"
#include "VectorExpect.h"

#include "core/Engine.h"
#include "evolution/EvolutionParams.h"
#include "evolution/EvolutionRun.h"
#include "vehicle/Vehicle.h"
#include "world/ItemManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using irr::core::vector3df;
using modules::engine;

namespace {

class LongRun : public testing_support::NullEngineTest, public testing::WithParamInterface<unsigned> {
};

} // namespace

TEST_P(LongRun, VehiclesStayInTheArenaFitnessOnlyGrowsAndItemsAreReplaced)
{
    startEngine(GetParam());
    modules::World& world = *engine.world;
    modules::EvolutionParams params; // 20 vehicles, 60 items, 4 hidden neurons
    params.generationTime = 1000.0f; // no generation change within the run
    modules::startEvolution(params, world);
    ASSERT_EQ(world.vehicles.size(), 20u);
    ASSERT_NE(world.itemManager, nullptr);
    ASSERT_EQ(world.itemManager->items.size(), 60u);

    std::vector<vector3df> starts;
    for (const modules::Vehicle* vehicle : world.vehicles)
        starts.push_back(vehicle->node->getPosition());
    std::vector<float> fitness(20, 0.0f);
    std::vector<vector3df> items;
    for (const irr::scene::ISceneNode* item : world.itemManager->items)
        items.push_back(item->getPosition());
    float scored = 0.0f;
    float farthest = 0.0f; // from its start, over all vehicles and steps

    for (int step = 0; step < 600; ++step) {
        this->step();
        float gained = 0.0f;
        ASSERT_EQ(world.vehicles.size(), 20u);
        ASSERT_EQ(world.itemManager->items.size(), 60u) << "step " << step;
        for (size_t i = 0; i < world.vehicles.size(); ++i) {
            const modules::Vehicle& vehicle = *world.vehicles[i];
            const vector3df p = vehicle.node->getPosition();
            ASSERT_TRUE(testing_support::isFinite(p)) << "vehicle " << i << " step " << step;
            ASSERT_LT(std::fabs(p.X), 5.0f) << "vehicle " << i << " step " << step;
            ASSERT_LT(std::fabs(p.Z), 5.0f) << "vehicle " << i << " step " << step;
            farthest = std::fmax(farthest, p.getDistanceFrom(starts[i]));
            ASSERT_GE(vehicle.fitness, fitness[i]) << "vehicle " << i << " step " << step;
            gained += vehicle.fitness - fitness[i];
            fitness[i] = vehicle.fitness;
        }
        int replaced = 0;
        for (size_t j = 0; j < items.size(); ++j) {
            const irr::scene::ISceneNode* item = world.itemManager->items[j];
            const vector3df q = item->getPosition();
            ASSERT_EQ(item->getParent(), engine.sceneManager->getRootSceneNode()) << "item " << j;
            ASSERT_LT(std::fabs(q.X), 4.5f) << "item " << j;
            ASSERT_LT(std::fabs(q.Z), 4.5f) << "item " << j;
            ASSERT_EQ(q.Y, 0.05f) << "item " << j;
            if (q.X != items[j].X || q.Z != items[j].Z) {
                ++replaced;
                items[j] = q;
            }
        }
        // A point for every item taken. A slot can be taken twice in one step when its
        // replacement lands within reach of a vehicle later in the list.
        ASSERT_GE(gained, static_cast<float>(replaced)) << "step " << step;
        ASSERT_EQ(gained > 0.0f, replaced > 0) << "step " << step;
        scored += gained;
    }
    EXPECT_NEAR(world.generationClock, 600 * modules::Engine::SIMULATION_STEP, 1e-3f);
    EXPECT_EQ(world.run->generation, 0);

    // The run was not a still life.
    EXPECT_GT(farthest, 1.0f);
    EXPECT_GT(scored, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Seeds, LongRun, testing::Values(1u, 2024u, 777777u));
