#include "core/TimeControl.h"

namespace modules {

void TimeControl::setPaused(bool on)
{
    isPaused = on;
    stepAsked = false;
}

bool TimeControl::requestStep()
{
    if (!isPaused)
        return false;
    stepAsked = true;
    return true;
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
    if (!isPaused)
        return speed();
    const int steps = stepAsked ? 1 : 0;
    stepAsked = false;
    return steps;
}

} // namespace modules
