// The fitness chart's reduction of a run to pixel columns, its scales and lines, and the
// chart and network panels in the engine: kept after Stop, replaced at the next Start,
// toggled by the Chart button and F2, and drawing that leaves the simulation unchanged.

#include "SyntheticEvents.h"
#include "TestEngine.h"

#include "evolution/EvolutionRun.h"
#include "gui/CameraController.h"
#include "gui/FitnessChart.h"
#include "gui/FitnessColumns.h"
#include "gui/GUI.h"
#include "gui/GUIElementIDs.h"
#include "gui/NetworkView.h"
#include "vehicle/Vehicle.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <new>
#include <utility>
#include <vector>

using modules::ChartScale;
using modules::engine;
using modules::FitnessColumn;
using modules::FitnessColumns;
using modules::GenerationFitness;
using modules::GUIElementIDs;
using namespace irr;

namespace {

// A run with plateaus, jumps and dips, different in each series.
GenerationFitness generationAt(long long g)
{
    GenerationFitness f;
    f.best = static_cast<float>((g * 7919) % 97) + (g % 50 == 0 ? 500.0f : 0.0f);
    f.mean = static_cast<double>((g * 104729) % 31) / 4.0;
    f.median = static_cast<double>((g * 13) % 11);
    return f;
}

void expectRangeOf(const modules::ValueRange& range, const std::vector<float>& values, long long first,
                   long long last, const char* series)
{
    const auto begin = values.begin() + (first - 1), end = values.begin() + last;
    EXPECT_EQ(range.first, values[first - 1]) << series << " " << first << "-" << last;
    EXPECT_EQ(range.last, values[last - 1]) << series << " " << first << "-" << last;
    EXPECT_EQ(range.low, *std::min_element(begin, end)) << series << " " << first << "-" << last;
    EXPECT_EQ(range.high, *std::max_element(begin, end)) << series << " " << first << "-" << last;
}

// After every added generation: the columns tile 1..n in order with one span (the last may
// be shorter), there are at most `capacity` of them and more than half as many once full,
// and each column holds the exact first, last, lowest and highest value of its generations.
TEST(FitnessColumns, EachColumnHoldsTheExactRangeOfItsGenerations)
{
    for (std::size_t capacity : {2u, 7u, 16u}) {
        FitnessColumns columns(capacity);
        std::vector<float> best, mean, median;
        for (long long g = 1; g <= 700; ++g) {
            const GenerationFitness f = generationAt(g);
            columns.add(f);
            best.push_back(f.best);
            mean.push_back(static_cast<float>(f.mean));
            median.push_back(static_cast<float>(f.median));

            const std::vector<FitnessColumn>& list = columns.columns();
            ASSERT_EQ(columns.generationCount(), g);
            ASSERT_LE(list.size(), capacity);
            if (g > static_cast<long long>(capacity)) {
                ASSERT_GT(list.size(), capacity / 2);
            }
            ASSERT_EQ(list.front().firstGeneration, 1);
            ASSERT_EQ(list.back().lastGeneration, g);
            for (std::size_t i = 0; i < list.size(); ++i) {
                const long long length = list[i].lastGeneration - list[i].firstGeneration + 1;
                if (i + 1 < list.size()) {
                    ASSERT_EQ(length, columns.span()) << "capacity " << capacity << ", generation " << g;
                    ASSERT_EQ(list[i + 1].firstGeneration, list[i].lastGeneration + 1);
                } else {
                    ASSERT_GE(length, 1);
                    ASSERT_LE(length, columns.span());
                }
            }
            if (g % 97 != 0 && g != 700)
                continue; // the full comparison now and then keeps the test quick
            for (const FitnessColumn& c : list) {
                expectRangeOf(c.best, best, c.firstGeneration, c.lastGeneration, "best");
                expectRangeOf(c.mean, mean, c.firstGeneration, c.lastGeneration, "mean");
                expectRangeOf(c.median, median, c.firstGeneration, c.lastGeneration, "median");
            }
        }
        EXPECT_EQ(columns.lowest(), 0.0f);
        EXPECT_EQ(columns.highest(), *std::max_element(best.begin(), best.end()));
    }
}

// Every line end lies in the plot; the run's first and last generation lie on its left and
// right edge at their exact values.
void expectLinesInPlot(const std::vector<video::S3DVertex>& lines, const core::recti& plot)
{
    ASSERT_FALSE(lines.empty());
    ASSERT_EQ(lines.size() % 2, 0u);
    for (const video::S3DVertex& v : lines) {
        EXPECT_GE(v.Pos.X, plot.UpperLeftCorner.X);
        EXPECT_LE(v.Pos.X, plot.LowerRightCorner.X);
        EXPECT_GE(v.Pos.Y, plot.UpperLeftCorner.Y);
        EXPECT_LE(v.Pos.Y, plot.LowerRightCorner.Y);
    }
}

float yOf(float value, const ChartScale& scale, const core::recti& plot)
{
    return std::round(plot.LowerRightCorner.Y
                      - (value - scale.low) / (scale.high - scale.low) * plot.getHeight());
}

std::vector<video::S3DVertex> bestLines(const FitnessColumns& columns, const ChartScale& scale, const core::recti& plot)
{
    std::vector<video::S3DVertex> lines;
    modules::appendSeriesLines(columns, modules::EFS_BEST, scale, plot, video::SColor(modules::FitnessChart::BEST_COLOR),
                               lines);
    return lines;
}

const core::recti kPlot(100, 50, 400, 250);

TEST(FitnessChartScale, OneGenerationIsATickInTheMiddleAtItsValue)
{
    FitnessColumns columns(300);
    GenerationFitness f;
    f.best = 3.0f;
    columns.add(f);
    const ChartScale scale = modules::chartScale(columns.lowest(), columns.highest());
    EXPECT_EQ(scale.low, 0.0f);
    EXPECT_GE(scale.high, 3.0f);
    const auto lines = bestLines(columns, scale, kPlot);
    expectLinesInPlot(lines, kPlot);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_LT(lines[0].Pos.X, kPlot.getCenter().X);
    EXPECT_GT(lines[1].Pos.X, kPlot.getCenter().X);
    EXPECT_EQ(lines[0].Pos.Y, yOf(3.0f, scale, kPlot));
}

TEST(FitnessChartScale, AllZeroFitnessLiesOnTheBottomOfANonEmptyScale)
{
    FitnessColumns columns(300);
    for (int g = 0; g < 40; ++g)
        columns.add(GenerationFitness{});
    const ChartScale scale = modules::chartScale(columns.lowest(), columns.highest());
    EXPECT_EQ(scale.low, 0.0f);
    EXPECT_GT(scale.high, scale.low);
    EXPECT_GT(scale.step, 0.0f);
    const auto lines = bestLines(columns, scale, kPlot);
    expectLinesInPlot(lines, kPlot);
    for (const video::S3DVertex& v : lines)
        EXPECT_EQ(v.Pos.Y, kPlot.LowerRightCorner.Y);
    EXPECT_EQ(lines.front().Pos.X, kPlot.UpperLeftCorner.X);
    EXPECT_EQ(lines.back().Pos.X, kPlot.LowerRightCorner.X);
}

// Forage's fitness may be negative: the axis reaches below the lowest value, its ticks are
// whole steps (0 exactly among them when the values cross it, never a residue such as
// 5.55e-17), and every series stays inside the plot.
TEST(FitnessChartScale, NegativeFitnessGetsAnAxisBelowZeroWithExactTicks)
{
    struct Case {
        float lowest, highest;
    };
    for (const Case& c : {Case{-3.0f, 5.0f}, Case{-0.3f, 0.7f}, Case{-1.0f, -1.0f}, Case{-2.5f, -0.5f},
                          Case{-7.0f, 0.0f}, Case{-0.07f, 12.0f}}) {
        const ChartScale scale = modules::chartScale(c.lowest, c.highest);
        EXPECT_LE(scale.low, c.lowest) << c.lowest;
        EXPECT_GE(scale.high, c.highest) << c.lowest;
        const int ticks = static_cast<int>(std::lround((scale.high - scale.low) / scale.step)) + 1;
        bool zero = false;
        for (int i = 0; i < ticks; ++i) {
            const double value = modules::tickValue(scale, i);
            char text[32];
            std::snprintf(text, sizeof text, "%g", value);
            EXPECT_EQ(std::string(text).find('e'), std::string::npos) << text << " in " << c.lowest << ".." << c.highest;
            EXPECT_NEAR(value, scale.low + i * static_cast<double>(scale.step), 1e-4);
            zero = zero || value == 0.0;
        }
        EXPECT_EQ(zero, scale.high >= 0.0f) << c.lowest << ".." << c.highest;

        FitnessColumns columns(300);
        for (float best : {c.lowest, c.highest, (c.lowest + c.highest) / 2}) {
            GenerationFitness f;
            f.best = best;
            f.mean = f.median = c.lowest;
            columns.add(f);
        }
        const auto lines = bestLines(columns, scale, kPlot);
        expectLinesInPlot(lines, kPlot);
        EXPECT_EQ(lines.front().Pos.Y, yOf(c.lowest, scale, kPlot));
    }
}

// 100000 generations of 1, one of 1000 in the middle: the scale reaches 1000, the jump is
// drawn to the plot's top although its column covers hundreds of generations, and the
// ends keep their own values.
TEST(FitnessChartScale, AJumpReachesTheTopInALongRun)
{
    FitnessColumns columns(static_cast<std::size_t>(kPlot.getWidth()));
    for (long long g = 1; g <= 100000; ++g) {
        GenerationFitness f;
        f.best = g == 54321 ? 1000.0f : 1.0f;
        f.mean = 0.5;
        columns.add(f);
    }
    const ChartScale scale = modules::chartScale(columns.lowest(), columns.highest());
    EXPECT_GE(scale.high, 1000.0f);
    EXPECT_LE(scale.high, 2000.0f);
    const auto lines = bestLines(columns, scale, kPlot);
    expectLinesInPlot(lines, kPlot);
    EXPECT_LE(lines.size(), 6u * static_cast<std::size_t>(kPlot.getWidth()));
    float topmost = 1e9f;
    for (const video::S3DVertex& v : lines)
        topmost = std::min(topmost, v.Pos.Y);
    EXPECT_EQ(topmost, yOf(1000.0f, scale, kPlot));
    int atLeft = 0, atRight = 0;
    for (const video::S3DVertex& v : lines) {
        if (v.Pos.X == kPlot.UpperLeftCorner.X) {
            ++atLeft;
            EXPECT_EQ(v.Pos.Y, yOf(1.0f, scale, kPlot));
        }
        if (v.Pos.X == kPlot.LowerRightCorner.X) {
            ++atRight;
            EXPECT_EQ(v.Pos.Y, yOf(1.0f, scale, kPlot));
        }
    }
    EXPECT_GT(atLeft, 0);
    EXPECT_GT(atRight, 0);
}

class ChartPanels : public testing_support::NullEngineTest {
protected:
    void SetUp() override
    {
        startEngine(5, true);
        engine.gui->params.generationTime = 0.5f;
    }

    bool click(s32 id)
    {
        return engine.gui->OnEvent(
            testing_support::guiEvent(gui::EGET_BUTTON_CLICKED, GUIElementIDs::getElementFromID(id, nullptr)));
    }

    // Steps until `count` more generations have ended, drawing a frame after each step.
    void runGenerations(int count)
    {
        const std::size_t target = engine.world->run->history.size() + static_cast<std::size_t>(count);
        while (engine.world->run->history.size() < target) {
            step();
            engine.drawFrame();
        }
    }
};

TEST_F(ChartPanels, TheChartKeepsTheStoppedRunUntilTheNextStart)
{
    EXPECT_FALSE(engine.fitnessChart->hasRun());
    ASSERT_FALSE(click(GUIElementIDs::START_BUTTON));
    runGenerations(3);
    const std::vector<GenerationFitness> history = engine.world->run->history;
    EXPECT_EQ(engine.fitnessChart->history().size(), 3u);
    EXPECT_EQ(engine.fitnessChart->reduction().generationCount(), 3);

    click(GUIElementIDs::STOP_BUTTON);
    ASSERT_EQ(engine.world->run, nullptr);
    engine.drawFrame();
    EXPECT_TRUE(engine.fitnessChart->hasRun());
    ASSERT_EQ(engine.fitnessChart->history().size(), history.size());
    for (std::size_t i = 0; i < history.size(); ++i)
        EXPECT_EQ(engine.fitnessChart->history()[i].best, history[i].best);

    click(GUIElementIDs::START_BUTTON);
    engine.drawFrame();
    EXPECT_TRUE(engine.fitnessChart->history().empty());
    EXPECT_EQ(engine.fitnessChart->reduction().generationCount(), 0);
    runGenerations(1);
    EXPECT_EQ(engine.fitnessChart->history().size(), 1u);
}

// A history replaced in place (as a loaded population brings its own) is taken whole.
TEST_F(ChartPanels, AReplacedHistoryReplacesTheChartsCopy)
{
    click(GUIElementIDs::START_BUTTON);
    runGenerations(2);
    std::vector<GenerationFitness> loaded(50);
    for (std::size_t i = 0; i < loaded.size(); ++i)
        loaded[i].best = static_cast<float>(i) + 100.0f;
    engine.world->run->history = loaded;
    engine.drawFrame();
    ASSERT_EQ(engine.fitnessChart->history().size(), 50u);
    EXPECT_EQ(engine.fitnessChart->history().front().best, 100.0f);
    EXPECT_EQ(engine.fitnessChart->reduction().highest(), 149.0f);
}

// After Stop, a new or loaded run may be built where the stopped one lived, and its history
// may begin and reach the old length with the same values (seen: a loaded 0 3 5 4 0 6 7
// drawn as 0 1 2 1 0 6 7 after a stopped 0 1 2 1 0): the chart shows the new run alone.
TEST_F(ChartPanels, ARunInTheStoppedRunsPlaceShowsOnlyItsOwnGenerations)
{
    click(GUIElementIDs::START_BUTTON);
    runGenerations(5);
    modules::EvolutionRun* const place = engine.world->run.get();
    const std::vector<GenerationFitness> stopped = place->history;
    std::vector<GenerationFitness> loaded(7);
    for (std::size_t i = 0; i < loaded.size(); ++i)
        loaded[i].best = 1.0e6f + static_cast<float>(i); // beyond any best of the stopped run
    loaded.front() = stopped.front();
    loaded[stopped.size() - 1] = stopped.back();

    // Stop, then a new run at the same address, made certain rather than left to the heap.
    modules::EvolutionRun next(std::move(place->method));
    next.populationSize = place->populationSize;
    next.history = loaded;
    place->~EvolutionRun();
    new (place) modules::EvolutionRun(std::move(next));
    engine.drawFrame();

    ASSERT_EQ(engine.fitnessChart->history().size(), loaded.size());
    for (std::size_t i = 0; i < loaded.size(); ++i)
        EXPECT_EQ(engine.fitnessChart->history()[i].best, loaded[i].best) << "generation " << i + 1;
    EXPECT_EQ(engine.fitnessChart->reduction().highest(), loaded.back().best);
}

TEST_F(ChartPanels, ChartButtonAndF2ToggleBothPanels)
{
    click(GUIElementIDs::START_BUTTON);
    ASSERT_NE(GUIElementIDs::getElementFromID(GUIElementIDs::CHART_BUTTON, engine.gui->runWindow), nullptr);
    EXPECT_TRUE(engine.gui->chartsShown);
    click(GUIElementIDs::CHART_BUTTON);
    EXPECT_FALSE(engine.gui->chartsShown);
    // F2 through the device, as the keyboard sends it: the press toggles, the release not.
    engine.device->postEventFromUser(testing_support::keyEvent(KEY_F2, true));
    engine.device->postEventFromUser(testing_support::keyEvent(KEY_F2, false));
    EXPECT_TRUE(engine.gui->chartsShown);
    engine.device->postEventFromUser(testing_support::keyEvent(KEY_F2, true));
    EXPECT_FALSE(engine.gui->chartsShown);
}

// Drawing the panels (the chart, and the network of the followed vehicle every frame) takes
// no random number and changes no vehicle: the same seed gives the same run with them
// shown or hidden.
TEST_F(ChartPanels, DrawingThePanelsLeavesTheRunUnchanged)
{
    std::vector<std::vector<float>> outcomes;
    std::vector<int> nextRandom;
    for (bool shown : {true, false}) {
        engine.shutdown();
        startEngine(9, true);
        engine.gui->params.generationTime = 0.5f;
        engine.gui->chartsShown = shown;
        click(GUIElementIDs::START_BUTTON);
        click(GUIElementIDs::FOLLOW_CAMERA_BUTTON);
        int followedFrames = 0;
        std::vector<float> outcome;
        while (engine.world->run->history.size() < 4) {
            step();
            engine.drawFrame();
            followedFrames += engine.cameraController->followedVehicle ? 1 : 0;
            for (const modules::Vehicle* vehicle : engine.world->vehicles)
                outcome.push_back(vehicle->fitness);
        }
        EXPECT_GT(followedFrames, 20);
        for (const GenerationFitness& f : engine.world->run->history)
            outcome.push_back(f.best);
        outcomes.push_back(outcome);
        nextRandom.push_back(std::rand());
    }
    EXPECT_EQ(outcomes[0], outcomes[1]);
    EXPECT_EQ(nextRandom[0], nextRandom[1]);
}

// From 800x600 up, both panels fit the screen beside the windows of the top-left corner
// and the log of the bottom-left one (500x80, 10 pixels from the edges), and the chart's
// plot keeps room inside its panel.
TEST_F(ChartPanels, PanelsFitBesideTheWindowsAndTheLog)
{
    gui::IGUIFont* font = engine.guiEnvironment->getSkin()->getFont();
    for (const core::dimension2du screen : {core::dimension2du(800, 600), core::dimension2du(1024, 768),
                                            core::dimension2du(1280, 720), core::dimension2du(2560, 1440)}) {
        const core::recti whole(0, 0, static_cast<s32>(screen.Width), static_cast<s32>(screen.Height));
        const core::recti log(10, whole.getHeight() - 90, 510, whole.getHeight() - 10);
        const core::recti chart = modules::FitnessChart::panelArea(screen);
        const core::recti network = modules::NetworkView::panelArea(screen);
        for (const core::recti& panel : {chart, network}) {
            EXPECT_TRUE(whole.isRectCollided(panel) && panel.UpperLeftCorner.X >= 0 && panel.UpperLeftCorner.Y >= 0
                        && panel.LowerRightCorner.X <= whole.LowerRightCorner.X
                        && panel.LowerRightCorner.Y <= whole.LowerRightCorner.Y)
                << screen.Width << "x" << screen.Height;
            EXPECT_FALSE(panel.isRectCollided(log)) << screen.Width << "x" << screen.Height;
            for (gui::IGUIWindow* window : {engine.gui->cameraWindow, engine.gui->runWindow, engine.gui->fastModeWindow})
                EXPECT_FALSE(panel.isRectCollided(window->getAbsolutePosition())) << screen.Width << "x" << screen.Height;
        }
        EXPECT_FALSE(chart.isRectCollided(network)) << screen.Width << "x" << screen.Height;
        const core::recti plot = modules::FitnessChart::plotArea(chart, font, modules::chartScale(0.0f, 1234.5f), 123456);
        EXPECT_TRUE(chart.isPointInside(plot.UpperLeftCorner) && chart.isPointInside(plot.LowerRightCorner));
        EXPECT_GE(plot.getWidth(), 120);
        EXPECT_GE(plot.getHeight(), 60);
    }
}

} // namespace
