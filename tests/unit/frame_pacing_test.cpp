#include "core/Engine.h"

#include <gtest/gtest.h>

using modules::Engine;

TEST(FramePacing, FrameIsDueFromThirtyFourMilliseconds)
{
    EXPECT_FALSE(Engine::frameDue(1033, 1000));
    EXPECT_TRUE(Engine::frameDue(1034, 1000));
    EXPECT_FALSE(Engine::frameDue(1000, 1000));
}

TEST(FramePacing, SurvivesTheTimerWrap)
{
    const irr::u32 last = 0xFFFFFFF0u; // 16 ms before the 32-bit wrap
    EXPECT_FALSE(Engine::frameDue(16, last));  // 32 ms later
    EXPECT_FALSE(Engine::frameDue(17, last));  // 33 ms later
    EXPECT_TRUE(Engine::frameDue(18, last));   // 34 ms later
}
