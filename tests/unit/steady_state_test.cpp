// No leaks and no growth over a long run: across 200 short generations on default
// settings, with the panel built as in the window, the scene manager's node count, the GUI's
// element count, the mesh and texture caches and the process's resident memory come back
// to the same level after every generation change. Stopping the run brings the scene back
// to the bare arena.

#include "AddressSanitizer.h"
#include "TestEngine.h"

#include "evolution/EvolutionParams.h"
#include "evolution/EvolutionRun.h"
#include "gui/GUI.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include <unistd.h>

using modules::engine;
using namespace irr;
using testing_support::countNodes;

namespace {

int countElements(const gui::IGUIElement* element)
{
    int count = 1;
    for (const gui::IGUIElement* child : element->getChildren())
        count += countElements(child);
    return count;
}

// Resident set size in KiB, from /proc/self/statm (its second field, in pages).
long residentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Level {
    int nodes = 0;
    int elements = 0;
    u32 meshes = 0;
    u32 textures = 0;
    long kib = 0;
};

Level measure()
{
    Level level;
    level.nodes = countNodes(engine.sceneManager->getRootSceneNode());
    level.elements = countElements(engine.guiEnvironment->getRootGUIElement());
    level.meshes = engine.sceneManager->getMeshCache()->getMeshCount();
    level.textures = engine.driver->getTextureCount();
    level.kib = residentKiB();
    return level;
}

class SteadyState : public testing_support::NullEngineTest {
};

} // namespace

TEST_F(SteadyState, TwoHundredGenerationChangesLeaveNodesAndMemoryAtTheSameLevel)
{
    constexpr int GENERATIONS = 200;
    constexpr int WARM_UP = 20;
    // Allocator noise after the warm-up: far below what one generation's vehicles and items
    // would add if they were not released (each generation builds 80 scene nodes).
    constexpr long TOLERANCE_KIB = 512;

    startEngine(4242u, true);
    modules::World& world = *engine.world;
    const Level idle = measure();

    modules::EvolutionParams params; // 20 vehicles, 60 items, 4 hidden neurons
    params.generationTime = 1.0f;   // 31 steps
    modules::startEvolution(params, world);
    const Level started = measure();
    ASSERT_EQ(started.nodes, idle.nodes + params.populationSize + params.itemCount);

    std::vector<Level> levels; // after generation change 1, 2, ...
    int steps = 0;
    while (world.run->generation < GENERATIONS) {
        const int before = world.run->generation;
        step();
        ++steps;
        ASSERT_LT(steps, GENERATIONS * 40) << "generations do not end";
        if (world.run->generation != before)
            levels.push_back(measure());
    }
    ASSERT_EQ(levels.size(), static_cast<size_t>(GENERATIONS));

    for (size_t g = 0; g < levels.size(); ++g) {
        SCOPED_TRACE("after generation change " + std::to_string(g + 1));
        EXPECT_EQ(levels[g].nodes, started.nodes);
        EXPECT_EQ(levels[g].elements, started.elements);
        EXPECT_EQ(levels[g].meshes, started.meshes);
        EXPECT_EQ(levels[g].textures, started.textures);
    }

    const long warm = levels[WARM_UP - 1].kib;
    long highest = warm;
    long lowest = warm;
    for (size_t g = WARM_UP; g < levels.size(); ++g) {
        highest = std::max(highest, levels[g].kib);
        lowest = std::min(lowest, levels[g].kib);
    }
    std::printf("scene nodes: %d idle, %d after the start and after each of %d generation changes; "
                "GUI elements: %d; resident memory: %ld KiB at the start, %ld KiB after generation %d, "
                "%ld KiB after generation %d (lowest %ld, highest %ld KiB from generation %d on)%s\n",
                idle.nodes, started.nodes, GENERATIONS, started.elements, started.kib, warm, WARM_UP,
                levels.back().kib, GENERATIONS, lowest, highest, WARM_UP,
                ADDRESS_SANITIZER ? " [AddressSanitizer build: memory level not checked]" : "");
    RecordProperty("resident_kib_after_warm_up", static_cast<int>(warm));
    RecordProperty("resident_kib_at_end", static_cast<int>(levels.back().kib));
    if (!ADDRESS_SANITIZER) {
        EXPECT_LE(highest - warm, TOLERANCE_KIB) << "resident memory grew from generation " << WARM_UP << " on";
        EXPECT_LE(levels.back().kib - warm, TOLERANCE_KIB);
    }

    modules::stopEvolution(world);
    const Level stopped = measure();
    EXPECT_EQ(stopped.nodes, idle.nodes);
    EXPECT_EQ(stopped.elements, idle.elements);
    EXPECT_EQ(stopped.meshes, idle.meshes);
}
