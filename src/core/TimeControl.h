#pragma once

namespace modules {

// How simulated time runs in the window: paused or not, a single step asked for while
// paused, and the normal mode's speed as simulation steps per drawn frame. It only decides
// how many steps a frame makes; the steps themselves are the same in every case.
class TimeControl {
public:
    static constexpr int SPEEDS[] = {1, 2, 4, 8, 16};
    static constexpr int SPEED_COUNT = 5;

    bool paused() const { return isPaused; }
    // Times real time in normal mode.
    int speed() const { return SPEEDS[speedIndex]; }
    void setPaused(bool on);
    // One step of the next drawn frame, only while paused; false (nothing asked) otherwise.
    bool requestStep();
    // The next or previous speed; false at the end of the range.
    bool faster();
    bool slower();

    // The steps the drawn frame about to be made runs: none while paused (one when a step
    // was asked for, which this consumes), else the speed.
    int takeStepsForFrame();

private:
    bool isPaused = false;
    bool stepAsked = false;
    int speedIndex = 0;
};

} // namespace modules
