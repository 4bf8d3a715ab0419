// Extreme settings through the panel on the null device, as a user enters them: values
// typed into the edit boxes and taken over with Enter, then the start button. Every case
// either runs (generations end and are reported, the stop button brings the arena back) or
// is refused with one clear line on the screen log; none crashes or hangs (each run is
// bounded in steps).

#include "SyntheticEvents.h"
#include "TestEngine.h"

#include "evolution/EvolutionRun.h"
#include "gui/GUI.h"
#include "gui/GUIElementIDs.h"
#include "gui/ScreenLog.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <limits>
#include <string>
#include <vector>

using modules::engine;
using modules::GUIElementIDs;
using namespace irr;
using testing_support::countNodes;
using testing_support::guiEvent;

namespace {

const wchar_t* const FORTY_DIGITS = L"1111111111222222222233333333334444444444";
// Genes and network sums still overflow to infinity and NaN from here.
const wchar_t* const LARGEST_FLOAT = L"340282346638528859811704183484516925440";

struct Setting {
    s32 id;
    const wchar_t* text;
};

class ExtremeSettings : public testing_support::NullEngineTest {
protected:
    void SetUp() override
    {
        startEngine(99u, true);
        idleNodes = countNodes(engine.sceneManager->getRootSceneNode());
    }

    modules::GUI& gui() { return *engine.gui; }
    modules::World& world() { return *engine.world; }

    // Each value typed into its box and taken over with Enter, as the panel does it.
    void enter(const std::vector<Setting>& settings)
    {
        for (const Setting& s : settings) {
            gui::IGUIElement* box = GUIElementIDs::getElementFromID(s.id, nullptr);
            ASSERT_NE(box, nullptr);
            box->setText(s.text);
            gui().OnEvent(guiEvent(gui::EGET_EDITBOX_ENTER, box));
        }
    }

    void clickButton(s32 id)
    {
        gui().OnEvent(guiEvent(gui::EGET_BUTTON_CLICKED, GUIElementIDs::getElementFromID(id, nullptr)));
    }

    // A line's whole text (the log may show a long one shortened).
    std::wstring logLine(int i) { return engine.screenLog->text(i); }

    // Starts, runs `generations` generations within `maxSteps` steps, checks the reports,
    // stops, and checks that the arena is bare again.
    void expectRuns(int generations, int maxSteps = 2000)
    {
        clickButton(GUIElementIDs::START_BUTTON);
        ASSERT_NE(world().run, nullptr) << "refused: " << std::string(logLine(0).begin(), logLine(0).end());
        EXPECT_FALSE(gui().setupWindow->isVisible());
        ASSERT_EQ(world().vehicles.size(), static_cast<size_t>(std::max(0, gui().params.populationSize)));
        int steps = 0;
        while (world().run && world().run->generation < generations) {
            step();
            ASSERT_LT(++steps, maxSteps) << "generation " << world().run->generation << " did not end";
        }
        ASSERT_NE(world().run, nullptr) << std::string(logLine(0).begin(), logLine(0).end());
        const std::wstring report = L"Generation " + std::to_wstring(generations) + L". Best vehicle fitness";
        EXPECT_EQ(logLine(0).compare(0, report.size(), report), 0) << std::string(logLine(0).begin(), logLine(0).end());
        EXPECT_EQ(world().vehicles.size(), static_cast<size_t>(gui().params.populationSize));
        clickButton(GUIElementIDs::STOP_BUTTON);
        EXPECT_EQ(world().run, nullptr);
        EXPECT_TRUE(gui().setupWindow->isVisible());
        EXPECT_EQ(countNodes(engine.sceneManager->getRootSceneNode()), idleNodes);
    }

    void expectRefused(const std::wstring& message)
    {
        engine.screenLog->clear();
        clickButton(GUIElementIDs::START_BUTTON);
        EXPECT_EQ(world().run, nullptr);
        EXPECT_EQ(logLine(0), message);
        EXPECT_EQ(logLine(1), L"");
        EXPECT_TRUE(gui().setupWindow->isVisible());
        EXPECT_EQ(countNodes(engine.sceneManager->getRootSceneNode()), idleNodes);
    }

    int idleNodes = 0;
};

using IDs = GUIElementIDs;

} // namespace

TEST_F(ExtremeSettings, PopulationOfZeroEndsTheRunWithTheEngineErrorAtTheFirstGenerationEnd)
{
    enter({{IDs::POPULATION_SIZE_EDIT, L"0"}, {IDs::GENERATION_TIME_EDIT, L"1"}});
    ASSERT_EQ(gui().params.populationSize, 0);
    clickButton(IDs::START_BUTTON);
    ASSERT_NE(world().run, nullptr);
    EXPECT_TRUE(world().vehicles.empty());
    for (int i = 0; i < 100 && world().run; ++i)
        step();
    EXPECT_EQ(world().run, nullptr);
    EXPECT_EQ(logLine(0), L"Error: NeuralNetwork::getFittest: population of zero size");
    EXPECT_TRUE(gui().setupWindow->isVisible());
    EXPECT_EQ(countNodes(engine.sceneManager->getRootSceneNode()), idleNodes);
    // The panel is usable again: a proper run starts.
    enter({{IDs::POPULATION_SIZE_EDIT, L"3"}});
    expectRuns(2);
}

TEST_F(ExtremeSettings, TinyAndOddPopulationsRun)
{
    for (const wchar_t* population : {L"1", L"2", L"3", L"7", L"9"}) {
        SCOPED_TRACE(std::string("population ") + std::string(population, population + std::wcslen(population)));
        enter({{IDs::POPULATION_SIZE_EDIT, population}, {IDs::ELITE_COUNT_EDIT, L"0"}, {IDs::GENERATION_TIME_EDIT, L"1"}});
        expectRuns(3);
        enter({{IDs::ELITE_COUNT_EDIT, L"1"}});
        gui().selectorCombo->setSelected(1);
        gui().OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, gui().selectorCombo));
        ASSERT_EQ(gui().params.selectorType, 1);
        expectRuns(3);
        gui().selectorCombo->setSelected(0);
        gui().OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, gui().selectorCombo));
    }
}

TEST_F(ExtremeSettings, ElitesAtAndAboveThePopulationRun)
{
    enter({{IDs::POPULATION_SIZE_EDIT, L"20"}, {IDs::ELITE_COUNT_EDIT, L"20"}, {IDs::GENERATION_TIME_EDIT, L"1"}});
    expectRuns(3);
    enter({{IDs::POPULATION_SIZE_EDIT, L"5"}, {IDs::ELITE_COUNT_EDIT, L"50"}});
    expectRuns(3);
    enter({{IDs::ELITE_COUNT_EDIT, L"2147483647"}});
    ASSERT_EQ(gui().params.eliteCount, 2147483647);
    expectRuns(3);
}

TEST_F(ExtremeSettings, NoHiddenNeuronsNoItemsAndGenerationsOfNoTimeRun)
{
    enter({{IDs::HIDDEN_NEURONS_EDIT, L"0"}, {IDs::GENERATION_TIME_EDIT, L"1"}});
    expectRuns(3);
    enter({{IDs::HIDDEN_NEURONS_EDIT, L"4"}, {IDs::ITEM_COUNT_EDIT, L"0"}});
    expectRuns(3);
    // A generation of no time ends in every step.
    enter({{IDs::ITEM_COUNT_EDIT, L"60"}, {IDs::GENERATION_TIME_EDIT, L"0"}});
    expectRuns(5, 6);
    enter({{IDs::POPULATION_SIZE_EDIT, L"1"}, {IDs::ELITE_COUNT_EDIT, L"0"}, {IDs::HIDDEN_NEURONS_EDIT, L"0"},
           {IDs::ITEM_COUNT_EDIT, L"0"}, {IDs::CROSSOVER_RATE_EDIT, L"0"}, {IDs::MUTATION_RATE_EDIT, L"0"},
           {IDs::MAX_PERTURBATION_EDIT, L"0"}, {IDs::WEIGHT_RANGE_EDIT, L"0"}});
    expectRuns(3, 4);
}

TEST_F(ExtremeSettings, LargestFloatInEachFloatFieldRunsExceptAnEndlessGeneration)
{
    enter({{IDs::GENERATION_TIME_EDIT, LARGEST_FLOAT}});
    ASSERT_EQ(gui().params.generationTime, std::numeric_limits<float>::max());
    expectRefused(L"Cannot start: a generation time of 340282346638528859811704183484516925440.0 s never ends (the "
                  L"generation clock stops at 1048576 s).");
    enter({{IDs::GENERATION_TIME_EDIT, L"1048576.5"}});
    expectRefused(
        L"Cannot start: a generation time of 1048576.5 s never ends (the generation clock stops at 1048576 s).");

    enter({{IDs::GENERATION_TIME_EDIT, L"1"}});
    for (s32 id : {IDs::CROSSOVER_RATE_EDIT, IDs::MUTATION_RATE_EDIT, IDs::MAX_PERTURBATION_EDIT, IDs::WEIGHT_RANGE_EDIT}) {
        SCOPED_TRACE("the largest float in box " + std::to_string(id));
        const modules::EvolutionParams backup = gui().params;
        enter({{id, LARGEST_FLOAT}});
        expectRuns(3);
        gui().params = backup;
        gui().updateGuiContents();
    }
    enter({{IDs::CROSSOVER_RATE_EDIT, LARGEST_FLOAT}, {IDs::MUTATION_RATE_EDIT, LARGEST_FLOAT},
           {IDs::MAX_PERTURBATION_EDIT, LARGEST_FLOAT}, {IDs::WEIGHT_RANGE_EDIT, LARGEST_FLOAT}});
    expectRuns(3);
}

TEST_F(ExtremeSettings, IntegersBeyondTheirRangeAreRolledBackInThePanel)
{
    for (s32 id : {IDs::ITEM_COUNT_EDIT, IDs::POPULATION_SIZE_EDIT, IDs::ELITE_COUNT_EDIT, IDs::HIDDEN_NEURONS_EDIT}) {
        const modules::EvolutionParams before = gui().params;
        enter({{id, FORTY_DIGITS}});
        EXPECT_EQ(gui().params.populationSize, before.populationSize);
        EXPECT_EQ(gui().params.itemCount, before.itemCount);
        EXPECT_EQ(gui().params.eliteCount, before.eliteCount);
        EXPECT_EQ(gui().params.hiddenNeurons, before.hiddenNeurons);
        EXPECT_STREQ(GUIElementIDs::getElementFromID(id, nullptr)->getText(),
                     core::stringw(id == IDs::ITEM_COUNT_EDIT          ? before.itemCount
                                   : id == IDs::POPULATION_SIZE_EDIT   ? before.populationSize
                                   : id == IDs::ELITE_COUNT_EDIT       ? before.eliteCount
                                                                       : before.hiddenNeurons)
                         .c_str());
    }
}

TEST_F(ExtremeSettings, TheLargestValuesTheLimitsLetThroughRunAndTheNextAreRefused)
{
    enter({{IDs::GENERATION_TIME_EDIT, L"0"}, {IDs::POPULATION_SIZE_EDIT, L"10000"}});
    expectRuns(1, 3);
    enter({{IDs::POPULATION_SIZE_EDIT, L"20"}, {IDs::ITEM_COUNT_EDIT, L"10000"}});
    expectRuns(2, 4);
    enter({{IDs::ITEM_COUNT_EDIT, L"60"}, {IDs::POPULATION_SIZE_EDIT, L"285"}, {IDs::HIDDEN_NEURONS_EDIT, L"10000"}});
    expectRuns(2, 4);

    enter({{IDs::POPULATION_SIZE_EDIT, L"286"}});
    expectRefused(L"Cannot start: population x genome length (20021716 genes) is above the limit of 20000000.");
    enter({{IDs::HIDDEN_NEURONS_EDIT, L"10001"}});
    expectRefused(L"Cannot start: 10001 hidden neurons are above the limit of 10000.");
    enter({{IDs::HIDDEN_NEURONS_EDIT, L"4"}, {IDs::ITEM_COUNT_EDIT, L"10001"}});
    expectRefused(L"Cannot start: 10001 items are above the limit of 10000.");
    enter({{IDs::ITEM_COUNT_EDIT, L"60"}, {IDs::POPULATION_SIZE_EDIT, L"2147483647"}});
    expectRefused(L"Cannot start: a population of 2147483647 is above the limit of 10000.");
}
