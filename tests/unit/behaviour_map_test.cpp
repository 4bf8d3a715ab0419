// The behaviour map on the null device: what each kind of run shows (MAP-Elites' grid, the
// novelty archive counted as it grows, the last generation otherwise; the maze's walls),
// its place between the chart and the network panel, F2 and F3, and a click on a filled
// cell putting that elite on the network panel.

#include "SyntheticEvents.h"
#include "TestEngine.h"

#include "evolution/EvolutionRun.h"
#include "gui/BehaviourMap.h"
#include "gui/CameraController.h"
#include "gui/FitnessChart.h"
#include "gui/GUI.h"
#include "gui/GUIElementIDs.h"
#include "gui/NetworkView.h"
#include "core/Utf8.h"
#include "gui/ScreenLayout.h"
#include "gui/ScreenLog.h"
#include "methods/MapElites.h"
#include "methods/MethodRegistry.h"
#include "methods/NoveltySearch.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <numeric>

using modules::BehaviourMap;
using modules::engine;
using modules::toUtf8;
using namespace irr;

namespace {

class BehaviourMapTest : public testing_support::NullEngineTest {
protected:
    void SetUp() override { startEngine(4, true); }

    void start(const char* method, const char* task, int objective)
    {
        modules::EvolutionParams& params = engine.gui->params;
        modules::chooseMethod(params, method);
        params.task = task;
        params.objective = objective;
        params.populationSize = 12;
        params.generationTime = 0.5f;
        engine.gui->updateGuiContents();
        engine.gui->OnEvent(testing_support::guiEvent(
            gui::EGET_BUTTON_CLICKED,
            modules::GUIElementIDs::getElementFromID(modules::GUIElementIDs::START_BUTTON, nullptr)));
        ASSERT_NE(engine.world->run, nullptr) << method << " on " << task << ": " << toUtf8(engine.screenLog->text(0).c_str());
    }

    void runGenerations(int count)
    {
        const int target = engine.world->run->generation + count;
        while (engine.world->run->generation < target) {
            step();
            engine.drawFrame();
        }
    }

    static unsigned total(const BehaviourMap& map)
    {
        return std::accumulate(map.counts().begin(), map.counts().end(), 0u);
    }
};

TEST_F(BehaviourMapTest, EachKindOfRunShowsItsOwnPoints)
{
    struct Case {
        const char* method;
        const char* task;
        int objective;
        BehaviourMap::E_CONTENT content;
        bool walls;
    };
    for (const Case& c : {Case{"map-elites", "maze", 0, BehaviourMap::EBMC_ELITES, true},
                          Case{"ga", "maze", 1, BehaviourMap::EBMC_ARCHIVE, true},
                          Case{"neat", "forage", 1, BehaviourMap::EBMC_ARCHIVE, false},
                          Case{"cmaes", "collect", 0, BehaviourMap::EBMC_GENERATION, false},
                          Case{"ga", "collect", 0, BehaviourMap::EBMC_GENERATION, false}}) {
        const std::string what = std::string(c.method) + " on " + c.task;
        start(c.method, c.task, c.objective);
        const BehaviourMap& map = *engine.behaviourMap;
        engine.drawFrame();
        EXPECT_FALSE(map.hasContent()) << what << ": nothing to show before the first generation ends";
        for (int generation = 0; generation < 4; ++generation) {
            runGenerations(1);
            const modules::EvolutionRun& run = *engine.world->run;
            ASSERT_EQ(map.content(), c.content) << what;
            EXPECT_EQ(map.wallLineCount() > 0, c.walls) << what;
            if (const auto* elites = dynamic_cast<const modules::MapElites*>(run.method.get())) {
                EXPECT_EQ(map.cellsPerAxis(), elites->cellsPerAxis());
                EXPECT_EQ(map.filledCells(), elites->filledCells());
                EXPECT_EQ(total(map), static_cast<unsigned>(elites->filledCells()));
                const auto& best = elites->grid()[static_cast<size_t>(map.bestCell())];
                EXPECT_TRUE(best.filled);
                EXPECT_EQ(best.fitness, map.highestFitness());
            } else if (const auto* novelty = dynamic_cast<const modules::NoveltySearch*>(run.method.get())) {
                // Counted from where the last generation left: each archived behaviour once.
                EXPECT_EQ(map.pointCount(), novelty->archive().behaviours().size()) << what;
                EXPECT_EQ(total(map), novelty->archive().behaviours().size()) << what;
            } else {
                EXPECT_EQ(total(map), run.lastBehaviours.size()) << what;
                EXPECT_EQ(map.pointCount(), 12u) << what;
            }
        }
        EXPECT_GT(total(map), 0u) << what;
        engine.gui->OnEvent(testing_support::guiEvent(
            gui::EGET_BUTTON_CLICKED,
            modules::GUIElementIDs::getElementFromID(modules::GUIElementIDs::STOP_BUTTON, nullptr)));
        engine.drawFrame();
        EXPECT_TRUE(map.hasContent()) << what << ": the stopped run stays on the map";
    }
}

// From the smallest usable window up, the map sits inside the screen between the chart and
// the network panel's caption strip, with a square plot inside it.
TEST_F(BehaviourMapTest, TheMapFitsBetweenTheChartAndTheNetworkPanel)
{
    gui::IGUIFont* font = engine.guiEnvironment->getSkin()->getFont();
    const s32 caption = static_cast<s32>(font->getDimension(L"Ag").Height) + 8;
    for (const core::dimension2du screen :
         {core::dimension2du(modules::ScreenLayout::MINIMUM_WIDTH, modules::ScreenLayout::MINIMUM_HEIGHT),
          core::dimension2du(1024, 600), core::dimension2du(1280, 720), core::dimension2du(1920, 1080)}) {
        const std::string what = std::to_string(screen.Width) + "x" + std::to_string(screen.Height);
        const core::recti whole(0, 0, static_cast<s32>(screen.Width), static_cast<s32>(screen.Height));
        const core::recti panel = BehaviourMap::panelArea(screen);
        const core::recti plot = BehaviourMap::plotArea(screen, font);
        core::recti network = modules::NetworkView::panelArea(screen);
        network.UpperLeftCorner.Y -= caption;
        EXPECT_TRUE(panel.isRectCollided(whole) && whole.isPointInside(panel.UpperLeftCorner)
                    && whole.isPointInside(panel.LowerRightCorner - core::position2di(1, 1)))
            << what;
        EXPECT_FALSE(panel.isRectCollided(modules::FitnessChart::panelArea(screen))) << what;
        EXPECT_FALSE(panel.isRectCollided(network)) << what;
        EXPECT_TRUE(panel.isPointInside(plot.UpperLeftCorner) && panel.isPointInside(plot.LowerRightCorner)) << what;
        EXPECT_EQ(plot.getWidth(), plot.getHeight()) << what;
        EXPECT_GE(plot.getWidth(), 90) << what;
    }
}

TEST_F(BehaviourMapTest, KeysToggleItAndAClickedCellPutsItsEliteOnTheNetworkPanel)
{
    start("map-elites", "maze", 0);
    runGenerations(3);
    modules::GUI& gui = *engine.gui;
    // F3 flips the map alone; F2 hides and shows every panel together.
    struct Key {
        EKEY_CODE key;
        bool charts, map;
    };
    for (const Key& k : {Key{KEY_F3, true, false}, Key{KEY_F3, true, true}, Key{KEY_F2, false, false},
                         Key{KEY_F2, true, true}}) {
        engine.device->postEventFromUser(testing_support::keyEvent(k.key, true));
        engine.device->postEventFromUser(testing_support::keyEvent(k.key, false));
        EXPECT_EQ(gui.chartsShown, k.charts);
        EXPECT_EQ(gui.mapShown, k.map);
    }

    const BehaviourMap& map = *engine.behaviourMap;
    const auto& elites = dynamic_cast<const modules::MapElites&>(*engine.world->run->method);
    ASSERT_GE(map.bestCell(), 0);
    gui::IGUIFont* font = engine.guiEnvironment->getSkin()->getFont();
    const core::dimension2du screen = engine.driver->getScreenSize();
    const core::position2di at = map.cellCentre(map.bestCell(), screen, font);
    EXPECT_EQ(map.cellAt(at, screen, font), map.bestCell());
    engine.device->postEventFromUser(testing_support::mouseEvent(EMIE_LMOUSE_PRESSED_DOWN, at));
    ASSERT_NE(gui.eliteOnPanel(), nullptr);
    const int n = elites.cellsPerAxis();
    const std::wstring caption = L"Elite of cell (" + std::to_wstring(map.bestCell() % n) + L", "
        + std::to_wstring(map.bestCell() / n) + L"): fitness ";
    EXPECT_EQ(gui.eliteOnPanel()->caption.rfind(caption, 0), 0u) << std::string(caption.begin(), caption.end());
    EXPECT_EQ(gui.eliteOnPanel()->picture.links.size(), elites.eliteBrain(map.bestCell())->picture().links.size());
    EXPECT_EQ(engine.cameraController->selectedVehicle, nullptr) << "the click picks no vehicle under the map";
    engine.drawFrame();

    // A camera button gives the panel back to the vehicles; so does another run.
    gui.OnEvent(testing_support::guiEvent(
        gui::EGET_BUTTON_CLICKED,
        modules::GUIElementIDs::getElementFromID(modules::GUIElementIDs::FOLLOW_CAMERA_BUTTON, nullptr)));
    EXPECT_EQ(gui.eliteOnPanel(), nullptr);
    EXPECT_FALSE(gui.showElite(-1));
    ASSERT_TRUE(gui.showElite(map.bestCell()));
    engine.gui->OnEvent(testing_support::guiEvent(
        gui::EGET_BUTTON_CLICKED,
        modules::GUIElementIDs::getElementFromID(modules::GUIElementIDs::STOP_BUTTON, nullptr)));
    EXPECT_EQ(gui.eliteOnPanel(), nullptr);
}

} // namespace
