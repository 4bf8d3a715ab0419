#pragma once

// Brings the global engine up on the null device with the real media files, as the window
// does, so tests drive exactly the program's code. Tests run from the build directory.

#include "core/Engine.h"

#include <gtest/gtest.h>

#include <string>

namespace testing_support {

// Every scene node below and including `node`.
inline int countNodes(const irr::scene::ISceneNode* node)
{
    int count = 1;
    for (const irr::scene::ISceneNode* child : node->getChildren())
        count += countNodes(child);
    return count;
}

class NullEngineTest : public ::testing::Test {
protected:
    // withGui: also build the panel from "gui.xml" and the font.
    void startEngine(unsigned seed = 1, bool withGui = false)
    {
        std::string error;
        ASSERT_TRUE(modules::engine.openDevice(irr::video::EDT_NULL, irr::core::dimension2du(1024, 768), false, error))
            << error;
        ASSERT_TRUE(modules::engine.createScene(seed, withGui, error)) << error;
    }

    void TearDown() override { modules::engine.shutdown(); }

    // One step as the fast mode's undrawn steps make it: simulation, then the animation pass.
    void step()
    {
        animationTime += 33;
        modules::engine.undrawnStep(animationTime);
    }

    irr::u32 animationTime = 1;
};

} // namespace testing_support
