#pragma once

namespace modules {

// How simulated time runs in the window: paused or not, single steps asked for while
// paused, and the normal mode's speed as simulation steps per drawn frame. It only decides
// how many steps a frame makes; the steps themselves are the same in every case.
class TimeControl {
public:
    static constexpr int SPEEDS[] = {1, 2, 4, 8, 16};
    static constexpr int SPEED_COUNT = 5;
    // Single steps asked for and not yet made wait in a count: every request is one step,
    // however many come between two frames. A frame makes at most MAX_STEPS_PER_FRAME of
    // them (as many as a frame at the fastest speed), and at most MAX_WAITING_STEPS wait:
    // a request beyond is not taken, so steps asked for faster than they are made (a held
    // key's repeat while frames come slowly) go on for a bounded time after the last.
    static constexpr int MAX_STEPS_PER_FRAME = 16;
    static constexpr int MAX_WAITING_STEPS = 64;

    bool paused() const { return isPaused; }
    // Times real time in normal mode.
    int speed() const { return SPEEDS[speedIndex]; }
    // Steps still waiting are made all the same, by the next frames (on top of the speed's
    // once time runs again).
    void setPaused(bool on);
    // One more single step for the next drawn frame, only while paused; false (nothing
    // asked) otherwise and when MAX_WAITING_STEPS already wait.
    bool requestStep();
    int waitingSteps() const { return stepsWaiting; }
    // Not paused and no step waiting, the speed kept: how the next run starts.
    void restart();
    // The next or previous speed; false at the end of the range.
    bool faster();
    bool slower();

    // The steps the drawn frame about to be made runs: the waiting single steps (at most
    // MAX_STEPS_PER_FRAME, which this consumes), and the speed's unless paused.
    int takeStepsForFrame();

private:
    bool isPaused = false;
    int stepsWaiting = 0;
    int speedIndex = 0;
};

} // namespace modules
