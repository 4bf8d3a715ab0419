// Pause, single steps and speeds in the window's loop, driven headless through the panel's
// own keys and button: they decide only how many steps each drawn frame makes. A seeded run
// paused, stepped and sped up gives the same fitness in every generation as the same run
// drawn at one step a frame.

#include "TestEngine.h"
#include "SyntheticEvents.h"

#include "evolution/EvolutionRun.h"
#include "gui/GUI.h"
#include "gui/GUIElementIDs.h"
#include "gui/ScreenLog.h"
#include "vehicle/Vehicle.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using modules::engine;
using modules::EvolutionParams;
using modules::GenerationFitness;
using namespace irr;
using testing_support::keyEvent;

namespace {

constexpr unsigned SEED = 424242;
constexpr int GENERATIONS = 5;

EvolutionParams shortGenerations()
{
    EvolutionParams p;
    p.generationTime = 4.0f; // 120 steps: several boundaries in a short test
    p.itemCount = 60;
    p.populationSize = 20;
    p.eliteCount = 2;
    return p;
}

std::wstring newestLogLine()
{
    return engine.screenLog->lines[0]->getText();
}

std::vector<core::vector3df> places()
{
    std::vector<core::vector3df> all;
    for (modules::Vehicle* vehicle : engine.world->vehicles)
        all.push_back(vehicle->node->getPosition());
    return all;
}

class TimeControlRun : public testing_support::NullEngineTest {
protected:
    void startRun()
    {
        startEngine(SEED, true);
        modules::startEvolution(shortGenerations(), *engine.world);
        engine.gui->showRunningPanel();
    }

    // A key as the device delivers it: pressed, then released.
    static void press(EKEY_CODE key, wchar_t character = 0)
    {
        engine.device->postEventFromUser(keyEvent(key, true, character));
        engine.device->postEventFromUser(keyEvent(key, false, character));
    }

    int generation() const { return engine.world->run->generation; }
    const std::vector<GenerationFitness>& history() const { return engine.world->run->history; }

    void frame() { engine.stepAndDrawFrame(++timeMs); }

    // The specified normal mode: one simulation step, then the drawn frame.
    std::vector<GenerationFitness> runLeftAlone()
    {
        startRun();
        while (static_cast<int>(history().size()) < GENERATIONS) {
            engine.simulationStep();
            engine.drawFrame();
        }
        std::vector<GenerationFitness> result = history();
        engine.shutdown();
        return result;
    }

    u32 timeMs = 1;
};

TEST_F(TimeControlRun, PausedSteppedAndSpedUpRunMatchesTheRunLeftAlone)
{
    const std::vector<GenerationFitness> alone = runLeftAlone();
    ASSERT_EQ(alone.size(), static_cast<size_t>(GENERATIONS));

    startRun();
    int phase = 0;
    for (int guard = 0; static_cast<int>(history().size()) < GENERATIONS && guard < 100000; ++guard) {
        const float left = engine.world->generationTime - engine.world->generationClock;
        if (phase == 0 && generation() == 1 && left < 4.5f * modules::Engine::SIMULATION_STEP) {
            // Paused just before a generation ends, then stepped across the boundary.
            press(KEY_KEY_P);
            for (int i = 0; i < 5; ++i)
                frame();
            // Eight steps, some asked for several between two frames.
            for (int burst : {3, 1, 2, 1, 1}) {
                for (int i = 0; i < burst; ++i)
                    press(KEY_KEY_N);
                frame();
                frame();
            }
            press(KEY_KEY_P);
            phase = 1;
        } else if (phase == 1 && generation() == 2) {
            press(KEY_PLUS, L'+');
            press(KEY_ADD);
            phase = 2;
        } else if (phase == 2 && generation() == 3) {
            for (int i = 0; i < 3; ++i)
                press(KEY_PLUS, L'+'); // up to 16x and past the end of the range
            phase = 3;
        } else if (phase == 3 && generation() == 4 && left < 0.5f) {
            engine.device->postEventFromUser(testing_support::guiEvent(
                gui::EGET_BUTTON_CLICKED, engine.gui->pauseButton));
            for (int i = 0; i < 3; ++i)
                frame();
            engine.device->postEventFromUser(testing_support::guiEvent(
                gui::EGET_BUTTON_CLICKED, engine.gui->pauseButton));
            press(KEY_MINUS, L'-');
            press(KEY_SUBTRACT);
            phase = 4;
        }
        frame();
    }
    EXPECT_EQ(phase, 4) << "the schedule did not run through";
    ASSERT_EQ(history().size(), alone.size());
    for (size_t g = 0; g < alone.size(); ++g) {
        EXPECT_EQ(history()[g].best, alone[g].best) << "generation " << g + 1;
        EXPECT_EQ(history()[g].mean, alone[g].mean) << "generation " << g + 1;
        EXPECT_EQ(history()[g].median, alone[g].median) << "generation " << g + 1;
    }
}

TEST_F(TimeControlRun, PauseStopsTimeAndEachStepKeyMakesExactlyOneStep)
{
    startRun();
    for (int i = 0; i < 10; ++i)
        frame();
    press(KEY_KEY_P);
    EXPECT_EQ(newestLogLine(), L"Simulation paused.");
    EXPECT_EQ(std::wstring(engine.gui->pauseButton->getText()), L"Resume");

    const unsigned long long steps = engine.stepsMade;
    const float clock = engine.world->generationClock;
    const std::vector<core::vector3df> before = places();
    const unsigned long long frames = engine.framesDrawn;
    for (int i = 0; i < 90; ++i)
        frame();
    EXPECT_EQ(engine.framesDrawn, frames + 90) << "a paused window goes on drawing";
    EXPECT_EQ(engine.stepsMade, steps);
    EXPECT_EQ(engine.world->generationClock, clock);
    EXPECT_EQ(places(), before);

    press(KEY_KEY_N);
    for (int i = 0; i < 10; ++i)
        frame();
    EXPECT_EQ(engine.stepsMade, steps + 1);
    EXPECT_EQ(engine.world->generationClock, clock + modules::Engine::SIMULATION_STEP);
    EXPECT_NE(places(), before);

    press(KEY_KEY_P);
    EXPECT_EQ(newestLogLine(), L"Simulation resumed.");
    EXPECT_EQ(std::wstring(engine.gui->pauseButton->getText()), L"Pause");
    frame();
    EXPECT_EQ(engine.stepsMade, steps + 2);
}

TEST_F(TimeControlRun, EveryStepKeyPressMakesOneStepHoweverFastThePressesCome)
{
    startRun();
    for (int i = 0; i < 10; ++i)
        frame();
    press(KEY_KEY_P);
    unsigned long long steps = engine.stepsMade;
    const float clock = engine.world->generationClock;

    // 30 presses 20 ms apart while frames come every 33 ms: two between some frames.
    int presses = 0;
    int framesBetween = 0;
    for (int ms = 0; presses < 30; ++ms) {
        if (ms % 20 == 0) {
            press(KEY_KEY_N);
            ++presses;
        }
        if (ms * 3 >= (framesBetween + 1) * 100) {
            const unsigned long long before = engine.stepsMade;
            frame();
            ++framesBetween;
            EXPECT_LE(engine.stepsMade - before, 2u);
        }
    }
    frame();
    EXPECT_LT(framesBetween, 30) << "the presses came faster than the frames";
    EXPECT_EQ(engine.stepsMade, steps + 30);
    EXPECT_NEAR(engine.world->generationClock, clock + 30 * modules::Engine::SIMULATION_STEP, 1e-4f);
    EXPECT_EQ(engine.timeControl.waitingSteps(), 0);

    // 30 presses between two frames (1 ms apart): 30 steps, at most 16 in a frame.
    steps = engine.stepsMade;
    for (int i = 0; i < 30; ++i)
        press(KEY_KEY_N);
    EXPECT_EQ(engine.timeControl.waitingSteps(), 30);
    EXPECT_EQ(engine.stepsMade, steps) << "steps are made by frames, not by the key";
    frame();
    EXPECT_EQ(engine.stepsMade, steps + 16);
    frame();
    EXPECT_EQ(engine.stepsMade, steps + 30);
    for (int i = 0; i < 10; ++i)
        frame();
    EXPECT_EQ(engine.stepsMade, steps + 30) << "paused, nothing more";
    EXPECT_TRUE(engine.timeControl.paused());
}

TEST_F(TimeControlRun, WaitingStepsAreBoundedMadeOnResumeAndDroppedWithTheRun)
{
    startRun();
    frame();
    // Running, the step key asks for nothing: each frame makes the speed's steps.
    unsigned long long steps = engine.stepsMade;
    for (int i = 0; i < 5; ++i)
        press(KEY_KEY_N);
    EXPECT_EQ(engine.timeControl.waitingSteps(), 0);
    frame();
    EXPECT_EQ(engine.stepsMade, steps + 1);

    // At most MAX_WAITING_STEPS wait; they are made 16 a frame.
    press(KEY_KEY_P);
    steps = engine.stepsMade;
    for (int i = 0; i < 100; ++i)
        press(KEY_KEY_N);
    EXPECT_EQ(engine.timeControl.waitingSteps(), modules::TimeControl::MAX_WAITING_STEPS);
    for (int made : {16, 32, 48, 64, 64}) {
        frame();
        EXPECT_EQ(engine.stepsMade, steps + static_cast<unsigned long long>(made));
    }

    // Steps asked for just before the run is resumed are made by the next frame, with its own.
    steps = engine.stepsMade;
    for (int i = 0; i < 3; ++i)
        press(KEY_KEY_N);
    press(KEY_KEY_P);
    EXPECT_EQ(newestLogLine(), L"Simulation resumed.");
    frame();
    EXPECT_EQ(engine.stepsMade, steps + 3 + 1);
    frame();
    EXPECT_EQ(engine.stepsMade, steps + 3 + 2);

    // Stop drops the steps still waiting; the next run starts in motion.
    press(KEY_KEY_P);
    for (int i = 0; i < 5; ++i)
        press(KEY_KEY_N);
    engine.device->postEventFromUser(testing_support::guiEvent(
        gui::EGET_BUTTON_CLICKED, engine.gui->runWindow->getElementFromId(modules::GUIElementIDs::STOP_BUTTON, true)));
    ASSERT_EQ(engine.world->run, nullptr);
    EXPECT_EQ(engine.timeControl.waitingSteps(), 0);
    EXPECT_FALSE(engine.timeControl.paused());
    modules::startEvolution(shortGenerations(), *engine.world);
    engine.gui->showRunningPanel();
    steps = engine.stepsMade;
    frame();
    EXPECT_EQ(engine.stepsMade, steps + 1);
}

TEST_F(TimeControlRun, SpeedKeysGoThroughTheSpeedsAndSetTheStepsPerFrame)
{
    startRun();
    for (int speed : {2, 4, 8, 16}) {
        press(KEY_PLUS, L'+');
        const unsigned long long steps = engine.stepsMade;
        frame();
        EXPECT_EQ(engine.stepsMade - steps, static_cast<unsigned long long>(speed));
        const std::wstring line = L"Speed: " + std::to_wstring(speed) + L"x real time.";
        EXPECT_EQ(newestLogLine(), line);
        EXPECT_EQ(std::wstring(engine.gui->speedText->getText()), L"Speed: " + std::to_wstring(speed) + L"x real time");
    }
    // Past the end of the range nothing changes and nothing is logged.
    const std::wstring before = newestLogLine();
    press(KEY_ADD);
    EXPECT_EQ(engine.timeControl.speed(), 16);
    EXPECT_EQ(newestLogLine(), before);
    for (int speed : {8, 4, 2, 1}) {
        press(KEY_SUBTRACT);
        const unsigned long long steps = engine.stepsMade;
        frame();
        EXPECT_EQ(engine.stepsMade - steps, static_cast<unsigned long long>(speed));
        EXPECT_EQ(newestLogLine(), L"Speed: " + std::to_wstring(speed) + L"x real time.");
    }
    // A key typed into a box of the panel is the box's.
    engine.gui->showSetupPanel();
    engine.guiEnvironment->setFocus(engine.gui->itemCountEdit);
    press(KEY_PLUS, L'+');
    EXPECT_EQ(engine.timeControl.speed(), 1);
}

} // namespace
