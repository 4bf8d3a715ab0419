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

// The idle loop sleeps this long between frames: never past the frame (no frame is late), and
// never less (the loop would wake only to sleep again).
TEST(FramePacing, WaitEndsExactlyWhenTheFrameIsDue)
{
    for (const irr::u32 last : {1000u, 0xFFFFFFF0u}) {
        for (irr::u32 elapsed = 0; elapsed <= 40; ++elapsed) {
            const irr::u32 now = last + elapsed;
            const irr::u32 wait = Engine::msUntilFrameDue(now, last);
            EXPECT_TRUE(Engine::frameDue(now + wait, last)) << "elapsed " << elapsed;
            if (wait > 0)
                EXPECT_FALSE(Engine::frameDue(now + wait - 1, last)) << "elapsed " << elapsed;
            else
                EXPECT_TRUE(Engine::frameDue(now, last)) << "elapsed " << elapsed;
        }
    }
    EXPECT_EQ(Engine::msUntilFrameDue(1000, 1000), 34u);
}
