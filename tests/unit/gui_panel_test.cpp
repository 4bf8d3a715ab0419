// The panel as the program builds it on the null device from the real "gui.xml" and font:
// the windows and controls after construction, the centring of the parameter dialog and
// the depth-first lookup of elements by identifier.

#include "TestEngine.h"

#include "gui/GUI.h"
#include "gui/GUIElementIDs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

using modules::engine;
using modules::GUI;
using modules::GUIElementIDs;
using namespace irr;

namespace {

std::wstring textOf(const gui::IGUIElement* element)
{
    return std::wstring(element->getText());
}

class GuiPanel : public testing_support::NullEngineTest {
protected:
    // The engine on a null device of the given size, with the panel.
    void startAt(u32 width, u32 height)
    {
        std::string error;
        ASSERT_TRUE(engine.openDevice(video::EDT_NULL, core::dimension2du(width, height), false, error)) << error;
        ASSERT_TRUE(engine.createScene(1, true, error)) << error;
    }
};

TEST_F(GuiPanel, OnlyTheParameterDialogIsVisibleAndNoWindowShowsACloseButton)
{
    startEngine(1, true);
    GUI& gui = *engine.gui;
    ASSERT_TRUE(gui.loadError().empty()) << gui.loadError();
    EXPECT_TRUE(gui.setupWindow->isVisible());
    EXPECT_FALSE(gui.cameraWindow->isVisible());
    EXPECT_FALSE(gui.fastModeWindow->isVisible());
    EXPECT_FALSE(gui.runWindow->isVisible());
    for (gui::IGUIWindow* window : {gui.setupWindow, gui.cameraWindow, gui.fastModeWindow, gui.runWindow})
        EXPECT_FALSE(window->getCloseButton()->isVisible()) << "window " << window->getID();
}

TEST_F(GuiPanel, ControlsShowTheDefaultParameters)
{
    startEngine(1, true);
    const GUI& gui = *engine.gui;
    EXPECT_EQ(textOf(gui.generationTimeEdit), L"20.0");
    EXPECT_EQ(textOf(gui.itemCountEdit), L"60");
    EXPECT_EQ(textOf(gui.populationSizeEdit), L"20");
    EXPECT_EQ(textOf(gui.eliteCountEdit), L"2");
    EXPECT_EQ(gui.selectorCombo->getSelected(), 0);
    EXPECT_EQ(gui.selectorCombo->getItemCount(), 2u);
    EXPECT_EQ(textOf(gui.crossoverRateEdit), L"0.8");
    EXPECT_EQ(textOf(gui.mutationRateEdit), L"0.05");
    EXPECT_EQ(textOf(gui.maxPerturbationEdit), L"10.0");
    EXPECT_EQ(textOf(gui.hiddenNeuronsEdit), L"4");
    EXPECT_EQ(textOf(gui.weightRangeEdit), L"1.0");
}

TEST_F(GuiPanel, FieldsHoldTheElementsOfTheirIdentifiers)
{
    startEngine(1, true);
    const GUI& gui = *engine.gui;
    const std::pair<s32, const gui::IGUIElement*> fields[] = {
        {GUIElementIDs::SETUP_WINDOW, gui.setupWindow},
        {GUIElementIDs::CAMERA_WINDOW, gui.cameraWindow},
        {GUIElementIDs::FAST_MODE_WINDOW, gui.fastModeWindow},
        {GUIElementIDs::RUN_WINDOW, gui.runWindow},
        {GUIElementIDs::GENERATION_TIME_EDIT, gui.generationTimeEdit},
        {GUIElementIDs::ITEM_COUNT_EDIT, gui.itemCountEdit},
        {GUIElementIDs::POPULATION_SIZE_EDIT, gui.populationSizeEdit},
        {GUIElementIDs::ELITE_COUNT_EDIT, gui.eliteCountEdit},
        {GUIElementIDs::SELECTOR_COMBO, gui.selectorCombo},
        {GUIElementIDs::CROSSOVER_RATE_EDIT, gui.crossoverRateEdit},
        {GUIElementIDs::MUTATION_RATE_EDIT, gui.mutationRateEdit},
        {GUIElementIDs::MAX_PERTURBATION_EDIT, gui.maxPerturbationEdit},
        {GUIElementIDs::HIDDEN_NEURONS_EDIT, gui.hiddenNeuronsEdit},
        {GUIElementIDs::WEIGHT_RANGE_EDIT, gui.weightRangeEdit},
    };
    for (const auto& [id, element] : fields) {
        ASSERT_NE(element, nullptr) << id;
        EXPECT_EQ(element->getID(), id);
    }
}

TEST_F(GuiPanel, ParameterDialogIsCentredInTheViewport)
{
    startEngine(1, true);
    const core::rect<s32> area = engine.gui->setupWindow->getRelativePosition();
    const s32 w = area.getWidth();
    const s32 h = area.getHeight();
    EXPECT_EQ(area.UpperLeftCorner.X, 512 - w / 2);
    EXPECT_EQ(area.UpperLeftCorner.Y, 384 - h / 2);
    // Placed where it is drawn: its parent is the root, which starts at the origin.
    EXPECT_EQ(engine.gui->setupWindow->getAbsolutePosition(), area);
}

// The construction centres the first window with id 100 that it finds, so a second GUI
// built over the same environment re-centres the first dialog, which here is 301 x 401.
TEST_F(GuiPanel, CentringHalvesViewportAndWindowSeparately)
{
    startEngine(1, true);
    engine.gui->setupWindow->setRelativePosition(core::rect<s32>(5, 7, 5 + 301, 7 + 401));
    {
        GUI again(engine.world, engine.cameraController);
        ASSERT_TRUE(again.loadError().empty()) << again.loadError();
        EXPECT_EQ(again.setupWindow, engine.gui->setupWindow);
        engine.device->setEventReceiver(engine.gui);
    }
    // 1024/2 - 301/2 = 512 - 150 and 768/2 - 401/2 = 384 - 200, the size kept.
    EXPECT_EQ(engine.gui->setupWindow->getRelativePosition(), core::rect<s32>(362, 184, 663, 585));
}

TEST_F(GuiPanel, WindowLargerThanTheViewportGetsNegativeEdges)
{
    startAt(200, 150);
    const core::rect<s32> area = engine.gui->setupWindow->getRelativePosition();
    ASSERT_GT(area.getWidth(), 200);
    ASSERT_GT(area.getHeight(), 150);
    EXPECT_EQ(area.UpperLeftCorner.X, 100 - area.getWidth() / 2);
    EXPECT_EQ(area.UpperLeftCorner.Y, 75 - area.getHeight() / 2);
    EXPECT_LT(area.UpperLeftCorner.X, 0);
    EXPECT_LT(area.UpperLeftCorner.Y, 0);
}

class ElementLookup : public testing_support::NullEngineTest {
protected:
    gui::IGUIElement* addText(gui::IGUIElement* parent, s32 id)
    {
        return engine.guiEnvironment->addStaticText(L"", core::rect<s32>(0, 0, 10, 10), false, false, parent, id);
    }
};

TEST_F(ElementLookup, FirstMatchInDepthFirstOrderWins)
{
    startEngine(1, true);
    //  top (9000)
    //   +- a (9001)
    //   |   +- a1 (9002)      first 9002: deeper, but in an earlier subtree
    //   |   +- a2 (9003)
    //   +- b (9002)
    //   |   +- b1 (9004)
    //   +- c (9004)           a later sibling loses to b's child
    //   +- d (9005)           parent before its own child with the same id
    //       +- d1 (9005)
    //   +- e (9003)
    gui::IGUIElement* top = engine.guiEnvironment->addWindow(core::rect<s32>(0, 0, 50, 50), false, L"", nullptr, 9000);
    gui::IGUIElement* a = addText(top, 9001);
    gui::IGUIElement* a1 = addText(a, 9002);
    gui::IGUIElement* a2 = addText(a, 9003);
    gui::IGUIElement* b = addText(top, 9002);
    gui::IGUIElement* b1 = addText(b, 9004);
    addText(top, 9004);
    gui::IGUIElement* d = addText(top, 9005);
    addText(d, 9005);
    addText(top, 9003);

    for (gui::IGUIElement* start : {static_cast<gui::IGUIElement*>(nullptr), top}) {
        EXPECT_EQ(GUIElementIDs::getElementFromID(9000, start), top);
        EXPECT_EQ(GUIElementIDs::getElementFromID(9001, start), a);
        EXPECT_EQ(GUIElementIDs::getElementFromID(9002, start), a1);
        EXPECT_EQ(GUIElementIDs::getElementFromID(9003, start), a2);
        EXPECT_EQ(GUIElementIDs::getElementFromID(9004, start), b1);
        EXPECT_EQ(GUIElementIDs::getElementFromID(9005, start), d);
    }
    // The search stays inside the subtree it is given.
    EXPECT_EQ(GUIElementIDs::getElementFromID(9002, b), b);
    EXPECT_EQ(GUIElementIDs::getElementFromID(9001, b), nullptr);
}

TEST_F(ElementLookup, StartElementItselfIsCompared)
{
    startEngine(1, true);
    gui::IGUIElement* root = engine.guiEnvironment->getRootGUIElement();
    // A child carrying the root's id does not hide the root.
    gui::IGUIElement* twin = addText(nullptr, root->getID());
    EXPECT_EQ(GUIElementIDs::getElementFromID(root->getID(), nullptr), root);
    EXPECT_EQ(GUIElementIDs::getElementFromID(root->getID(), root), root);
    EXPECT_EQ(GUIElementIDs::getElementFromID(root->getID(), twin), twin);
}

TEST_F(ElementLookup, MissingIdentifierGivesNull)
{
    startEngine(1, true);
    EXPECT_EQ(GUIElementIDs::getElementFromID(424242, nullptr), nullptr);
    // An id of the panel is not found below a window that does not hold it.
    EXPECT_EQ(GUIElementIDs::getElementFromID(GUIElementIDs::STOP_BUTTON, engine.gui->setupWindow), nullptr);
    EXPECT_NE(GUIElementIDs::getElementFromID(GUIElementIDs::STOP_BUTTON, engine.gui->runWindow), nullptr);
}

} // namespace

// A layout or font that the panel cannot be built from ends the start-up with one message
// naming what is missing; no element is looked up that isn't there.
namespace {

class IncompletePanelMedia : public testing_support::NullEngineTest {
protected:
    void SetUp() override
    {
        original = std::filesystem::current_path();
        scratch = std::filesystem::temp_directory_path() / ("kinetarium-panel-" + std::to_string(::getpid()));
        std::filesystem::remove_all(scratch);
        std::filesystem::create_directories(scratch);
        std::filesystem::copy(original / "media", scratch / "media", std::filesystem::copy_options::recursive);
        std::filesystem::current_path(scratch);
    }
    void TearDown() override
    {
        NullEngineTest::TearDown();
        std::filesystem::current_path(original);
        std::filesystem::remove_all(scratch);
    }

    std::string startUpError()
    {
        std::string error;
        EXPECT_TRUE(engine.openDevice(video::EDT_NULL, core::dimension2du(1024, 768), false, error)) << error;
        EXPECT_FALSE(engine.createScene(1, true, error));
        return error;
    }

    std::filesystem::path original;
    std::filesystem::path scratch;
};

TEST_F(IncompletePanelMedia, ALayoutWithoutTheSelectorIsRefusedByName)
{
    const std::filesystem::path layout = scratch / "media" / "gui.xml";
    std::ifstream in(layout);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const std::string id = "name=\"Id\" value=\"106\"";
    const size_t at = text.find(id);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, id.size(), "name=\"Id\" value=\"996\"");
    std::ofstream(layout) << text;

    const std::string error = startUpError();
    EXPECT_EQ(error.rfind("Error: ", 0), 0u) << error;
    EXPECT_NE(error.find("combo box with id 106"), std::string::npos) << error;
}

TEST_F(IncompletePanelMedia, AMissingLayoutOrFontIsNamed)
{
    std::filesystem::remove(scratch / "media" / "gui.xml");
    std::string error = startUpError();
    EXPECT_EQ(error.rfind("Error: ", 0), 0u) << error;
    EXPECT_NE(error.find("gui.xml"), std::string::npos) << error;
    engine.shutdown();

    std::filesystem::remove_all(scratch / "media" / "font1");
    error = startUpError();
    EXPECT_EQ(error.rfind("Error: ", 0), 0u) << error;
    EXPECT_NE(error.find("font"), std::string::npos) << error;
}

} // namespace
