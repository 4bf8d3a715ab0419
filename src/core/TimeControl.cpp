#include "core/TimeControl.h"

#include <algorithm>

namespace modules {

static_assert(TimeControl::MAX_STEPS_PER_FRAME == TimeControl::SPEEDS[TimeControl::SPEED_COUNT - 1]);

void TimeControl::setPaused(bool on)
{
    isPaused = on;
}

bool TimeControl::requestStep()
{
    if (!isPaused || stepsWaiting >= MAX_WAITING_STEPS)
        return false;
    ++stepsWaiting;
    return true;
}

void TimeControl::restart()
{
    isPaused = false;
    stepsWaiting = 0;
}

bool TimeControl::faster()
{
    if (speedIndex + 1 >= SPEED_COUNT)
        return false;
    ++speedIndex;
    return true;
}

bool TimeControl::slower()
{
    if (speedIndex == 0)
        return false;
    --speedIndex;
    return true;
}

int TimeControl::takeStepsForFrame()
{
    const int single = std::min(stepsWaiting, MAX_STEPS_PER_FRAME);
    stepsWaiting -= single;
    return single + (isPaused ? 0 : speed());
}

} // namespace modules
