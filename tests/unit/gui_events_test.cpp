// The panel's event handler on the null device: the seven buttons with their window states
// and messages, Escape, focus and input-check events, and events that must change nothing.
// Events are handed to the handler directly, or posted to the device where the GUI
// environment has to turn them into widget events first, as it does for a user.

#include "SyntheticEvents.h"
#include "TestEngine.h"

#include "evolution/EvolutionRun.h"
#include "gui/CameraController.h"
#include "gui/GUI.h"
#include "gui/GUIElementIDs.h"
#include "gui/ScreenLog.h"
#include "methods/Evolver.h"
#include "vehicle/Vehicle.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <string>

using modules::engine;
using modules::GUI;
using modules::GUIElementIDs;
using namespace irr;
using testing_support::guiEvent;
using testing_support::keyEvent;
using testing_support::mouseEvent;

namespace {

std::wstring logLine(int i)
{
    return std::wstring(engine.screenLog->lines[i]->getText());
}

int filledLogLines()
{
    int count = 0;
    for (int i = 0; i < modules::ScreenLog::LINE_COUNT; ++i)
        count += logLine(i).empty() ? 0 : 1;
    return count;
}

class GuiEvents : public testing_support::NullEngineTest {
protected:
    void SetUp() override { startEngine(1, true); }

    GUI& gui() { return *engine.gui; }
    modules::World& world() { return *engine.world; }

    gui::IGUIElement* element(s32 id) { return GUIElementIDs::getElementFromID(id, nullptr); }

    bool click(s32 id) { return gui().OnEvent(guiEvent(gui::EGET_BUTTON_CLICKED, element(id))); }

    // A left click at the centre of the element, through the device as the mouse sends it.
    void clickWithMouse(s32 id)
    {
        const core::position2di centre = element(id)->getAbsolutePosition().getCenter();
        engine.device->postEventFromUser(mouseEvent(EMIE_MOUSE_MOVED, centre));
        engine.device->postEventFromUser(mouseEvent(EMIE_LMOUSE_PRESSED_DOWN, centre));
        engine.device->postEventFromUser(mouseEvent(EMIE_LMOUSE_LEFT_UP, centre));
    }

    void typeWithKeyboard(const wchar_t* text)
    {
        for (const wchar_t* c = text; *c; ++c) {
            const EKEY_CODE key = *c == L'.' ? KEY_PERIOD : static_cast<EKEY_CODE>(KEY_KEY_0 + (*c - L'0'));
            engine.device->postEventFromUser(keyEvent(key, true, *c));
            engine.device->postEventFromUser(keyEvent(key, false, *c));
        }
    }

    // Which of the four windows are visible: setup, camera, fast mode, run.
    std::string panelState()
    {
        std::string state;
        for (gui::IGUIWindow* window : {gui().setupWindow, gui().cameraWindow, gui().fastModeWindow, gui().runWindow})
            state += window->isVisible() ? '1' : '0';
        return state;
    }

    static constexpr const char* SETUP = "1000";
    static constexpr const char* RUNNING = "0101";
    static constexpr const char* FAST = "0010";
};

TEST_F(GuiEvents, StartSwitchesToTheRunningPanelAndStartsTheRun)
{
    ASSERT_EQ(panelState(), SETUP);
    EXPECT_FALSE(click(GUIElementIDs::START_BUTTON));
    EXPECT_EQ(panelState(), RUNNING);
    // The default method (the genetic algorithm) is not named: the log is as designed.
    EXPECT_EQ(logLine(0), L"Evolution started!");
    EXPECT_EQ(logLine(1), L"");
    ASSERT_NE(world().run, nullptr);
    EXPECT_EQ(world().evolver->populationSize, 20);
    EXPECT_EQ(world().vehicles.size(), 20u);

    // The run is under way; a second start is not offered and builds nothing.
    modules::EvolutionRun* run = world().run.get();
    click(GUIElementIDs::START_BUTTON);
    EXPECT_EQ(world().run.get(), run);
    EXPECT_EQ(world().vehicles.size(), 20u);
    EXPECT_EQ(logLine(0), L"Evolution started!");
    EXPECT_EQ(logLine(1), L"");
}

TEST_F(GuiEvents, FastModeAndNormalSpeedSwitchPanelAndPacing)
{
    click(GUIElementIDs::START_BUTTON);
    EXPECT_FALSE(click(GUIElementIDs::FAST_MODE_BUTTON));
    EXPECT_EQ(panelState(), FAST);
    EXPECT_TRUE(engine.fastMode);
    ASSERT_NE(world().run, nullptr); // the run goes on

    EXPECT_FALSE(click(GUIElementIDs::NORMAL_SPEED_BUTTON));
    EXPECT_EQ(panelState(), RUNNING);
    EXPECT_FALSE(engine.fastMode);
    ASSERT_NE(world().run, nullptr);
    EXPECT_EQ(logLine(0), L"Evolution started!"); // neither writes a message
}

TEST_F(GuiEvents, CameraButtonsSetTheModeAndWriteTheirMessageOnEveryClick)
{
    click(GUIElementIDs::START_BUTTON);
    const std::wstring follow = L"Camera is now following the best performing vehicle.";
    const std::wstring topDown = L"Top down camera view selected.";

    EXPECT_FALSE(click(GUIElementIDs::FOLLOW_CAMERA_BUTTON));
    EXPECT_EQ(engine.cameraController->cameraType, modules::ECT_FOLLOW_BEST);
    EXPECT_EQ(logLine(0), follow);
    click(GUIElementIDs::FOLLOW_CAMERA_BUTTON);
    EXPECT_EQ(logLine(0), follow);
    EXPECT_EQ(logLine(1), follow);

    engine.cameraController->desiredPosition.set(9, 9, 9);
    EXPECT_FALSE(click(GUIElementIDs::TOP_DOWN_CAMERA_BUTTON));
    EXPECT_EQ(engine.cameraController->cameraType, modules::ECT_TOP_DOWN);
    EXPECT_NE(engine.cameraController->desiredPosition, core::vector3df(9, 9, 9)); // back to the overview
    EXPECT_EQ(logLine(0), topDown);
    click(GUIElementIDs::TOP_DOWN_CAMERA_BUTTON);
    EXPECT_EQ(logLine(0), topDown);
    EXPECT_EQ(logLine(1), topDown);
    EXPECT_EQ(logLine(2), follow);
    EXPECT_EQ(panelState(), RUNNING);
}

TEST_F(GuiEvents, StopReturnsToTheParameterDialogAndEndsTheRun)
{
    click(GUIElementIDs::START_BUTTON);
    for (int i = 0; i < 3; ++i)
        step();
    click(GUIElementIDs::FOLLOW_CAMERA_BUTTON);
    EXPECT_FALSE(click(GUIElementIDs::STOP_BUTTON));
    EXPECT_EQ(panelState(), SETUP);
    EXPECT_EQ(world().run, nullptr);
    EXPECT_TRUE(world().vehicles.empty());
    EXPECT_EQ(world().itemManager, nullptr);
    EXPECT_EQ(filledLogLines(), 0);
    // The camera mode survives the stop.
    EXPECT_EQ(engine.cameraController->cameraType, modules::ECT_FOLLOW_BEST);

    // And a new run can start.
    click(GUIElementIDs::START_BUTTON);
    EXPECT_EQ(panelState(), RUNNING);
    ASSERT_NE(world().run, nullptr);
    EXPECT_EQ(world().run->generation, 0);
}

TEST_F(GuiEvents, QuitClosesTheDevice)
{
    ASSERT_TRUE(engine.device->run());
    EXPECT_FALSE(click(GUIElementIDs::QUIT_BUTTON));
    EXPECT_FALSE(engine.device->run());
}

TEST_F(GuiEvents, EscapePressClosesTheDeviceAndIsConsumed)
{
    EXPECT_TRUE(gui().OnEvent(keyEvent(KEY_ESCAPE, true)));
    EXPECT_FALSE(engine.device->run());
}

TEST_F(GuiEvents, EscapeReleaseClosesTheDeviceAndIsConsumed)
{
    EXPECT_TRUE(gui().OnEvent(keyEvent(KEY_ESCAPE, false)));
    EXPECT_FALSE(engine.device->run());
}

TEST_F(GuiEvents, EscapeQuitsFromAFocusedEditBoxBeforeTheBoxSeesIt)
{
    engine.guiEnvironment->setFocus(gui().populationSizeEdit);
    gui().populationSizeEdit->setText(L"12");
    engine.device->postEventFromUser(keyEvent(KEY_ESCAPE, true, 27));
    EXPECT_FALSE(engine.device->run());
    EXPECT_EQ(std::wstring(gui().populationSizeEdit->getText()), L"12");
}

TEST_F(GuiEvents, OtherKeysAndMouseEventsAreNotConsumed)
{
    EXPECT_FALSE(gui().OnEvent(keyEvent(KEY_KEY_A, true, L'a')));
    EXPECT_FALSE(gui().OnEvent(keyEvent(KEY_RETURN, true)));
    EXPECT_FALSE(gui().OnEvent(mouseEvent(EMIE_MOUSE_MOVED, core::position2di(3, 4))));
    EXPECT_TRUE(engine.device->run());
    EXPECT_EQ(panelState(), SETUP);
}

TEST_F(GuiEvents, FocusedEditBoxIsEmptiedButAFocusedButtonKeepsItsCaption)
{
    EXPECT_FALSE(gui().OnEvent(guiEvent(gui::EGET_ELEMENT_FOCUSED, gui().mutationRateEdit)));
    EXPECT_EQ(std::wstring(gui().mutationRateEdit->getText()), L"");
    EXPECT_EQ(gui().params.mutationRate, 0.05f); // nothing is stored yet

    gui::IGUIElement* start = element(GUIElementIDs::START_BUTTON);
    const std::wstring caption = start->getText();
    ASSERT_FALSE(caption.empty());
    EXPECT_FALSE(gui().OnEvent(guiEvent(gui::EGET_ELEMENT_FOCUSED, start)));
    EXPECT_EQ(std::wstring(start->getText()), caption);
}

TEST_F(GuiEvents, FocusLostEnterAndComboChangeEachRunTheInputCheck)
{
    gui::IGUIElement* quit = element(GUIElementIDs::QUIT_BUTTON);

    gui().populationSizeEdit->setText(L"31");
    EXPECT_FALSE(gui().OnEvent(guiEvent(gui::EGET_ELEMENT_FOCUS_LOST, quit))); // whichever element lost it
    EXPECT_EQ(gui().params.populationSize, 31);

    gui().populationSizeEdit->setText(L"32");
    EXPECT_FALSE(gui().OnEvent(guiEvent(gui::EGET_EDITBOX_ENTER, gui().populationSizeEdit)));
    EXPECT_EQ(gui().params.populationSize, 32);

    gui().selectorCombo->setSelected(1);
    EXPECT_FALSE(gui().OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, gui().selectorCombo)));
    EXPECT_EQ(gui().params.selectorType, 1);

    // A failing check rolls back through each of them as well.
    for (gui::EGUI_EVENT_TYPE type : {gui::EGET_ELEMENT_FOCUS_LOST, gui::EGET_EDITBOX_ENTER, gui::EGET_COMBO_BOX_CHANGED}) {
        gui().eliteCountEdit->setText(L"");
        gui().OnEvent(guiEvent(type, gui().eliteCountEdit));
        EXPECT_EQ(std::wstring(gui().eliteCountEdit->getText()), L"2") << "event type " << type;
    }
}

TEST_F(GuiEvents, UnknownButtonAndOtherEventTypesChangeNothing)
{
    gui().populationSizeEdit->setText(L"not a number"); // a check would roll this back
    gui::IGUIElement* stranger =
        engine.guiEnvironment->addButton(core::rect<s32>(0, 0, 20, 20), nullptr, 999, L"?");
    EXPECT_FALSE(gui().OnEvent(guiEvent(gui::EGET_BUTTON_CLICKED, stranger)));
    for (gui::EGUI_EVENT_TYPE type :
         {gui::EGET_ELEMENT_HOVERED, gui::EGET_ELEMENT_LEFT, gui::EGET_ELEMENT_CLOSED, gui::EGET_SCROLL_BAR_CHANGED,
          gui::EGET_CHECKBOX_CHANGED, gui::EGET_LISTBOX_CHANGED, gui::EGET_EDITBOX_CHANGED,
          gui::EGET_EDITBOX_MARKING_CHANGED, gui::EGET_MENU_ITEM_SELECTED, gui::EGET_TAB_CHANGED})
        EXPECT_FALSE(gui().OnEvent(guiEvent(type, gui().eliteCountEdit))) << "event type " << type;
    // A click reported by an element whose id belongs to no button.
    EXPECT_FALSE(gui().OnEvent(guiEvent(gui::EGET_BUTTON_CLICKED, gui().setupWindow)));

    EXPECT_EQ(std::wstring(gui().populationSizeEdit->getText()), L"not a number");
    EXPECT_EQ(std::wstring(gui().eliteCountEdit->getText()), L"2");
    EXPECT_EQ(panelState(), SETUP);
    EXPECT_EQ(world().run, nullptr);
    EXPECT_EQ(filledLogLines(), 0);
    EXPECT_FALSE(engine.fastMode);
    EXPECT_TRUE(engine.device->run());
}

TEST_F(GuiEvents, StartIsRefusedAboveTheRunLimitsWithOneLine)
{
    const auto refused = [&](int populationSize, int itemCount, int hiddenNeurons) {
        gui().params.populationSize = populationSize;
        gui().params.itemCount = itemCount;
        gui().params.hiddenNeurons = hiddenNeurons;
        engine.screenLog->clear();
        click(GUIElementIDs::START_BUTTON);
        const bool stayed = panelState() == SETUP && world().run == nullptr && world().vehicles.empty();
        EXPECT_EQ(filledLogLines(), 1);
        EXPECT_NE(logLine(0), L"Evolution started!");
        return stayed;
    };
    EXPECT_TRUE(refused(1000000000, 60, 4));
    EXPECT_TRUE(refused(10001, 60, 4));
    EXPECT_TRUE(refused(20, 10001, 4));
    EXPECT_TRUE(refused(1, 60, 10001));
    EXPECT_TRUE(refused(3000, 60, 1000)); // 3000 networks of 7006 genes
    EXPECT_TRUE(refused(2147483647, 2147483647, 2147483647));

    // Within the limits the run starts: one network with a hidden layer of 10000.
    gui().params.populationSize = 1;
    gui().params.itemCount = 5;
    gui().params.hiddenNeurons = 10000;
    click(GUIElementIDs::START_BUTTON);
    EXPECT_EQ(panelState(), RUNNING);
    ASSERT_NE(world().run, nullptr);
    EXPECT_EQ(world().evolver->population.at(0).getData().size(), 70006u);
}

// As a user does it: click into a box (emptied), type, and click "Start" at once; the
// focus leaves the box before the click is reported, so the typed value is used.
TEST_F(GuiEvents, ValueTypedWithoutEnterIsPartOfTheRunThatStarts)
{
    clickWithMouse(GUIElementIDs::POPULATION_SIZE_EDIT);
    ASSERT_EQ(engine.guiEnvironment->getFocus(), gui().populationSizeEdit);
    EXPECT_EQ(std::wstring(gui().populationSizeEdit->getText()), L"");
    typeWithKeyboard(L"7");
    EXPECT_EQ(std::wstring(gui().populationSizeEdit->getText()), L"7");

    clickWithMouse(GUIElementIDs::START_BUTTON);
    EXPECT_EQ(gui().params.populationSize, 7);
    EXPECT_EQ(panelState(), RUNNING);
    ASSERT_NE(world().run, nullptr);
    EXPECT_EQ(world().vehicles.size(), 7u);
}

TEST_F(GuiEvents, EnterInAnEditBoxStoresTheTypedValue)
{
    clickWithMouse(GUIElementIDs::MUTATION_RATE_EDIT);
    typeWithKeyboard(L"0.25");
    engine.device->postEventFromUser(keyEvent(KEY_RETURN, true, L'\r'));
    engine.device->postEventFromUser(keyEvent(KEY_RETURN, false, L'\r'));
    EXPECT_EQ(gui().params.mutationRate, 0.25f);

    // A box clicked into and left empty brings the stored value back.
    clickWithMouse(GUIElementIDs::ITEM_COUNT_EDIT);
    EXPECT_EQ(std::wstring(gui().itemCountEdit->getText()), L"");
    clickWithMouse(GUIElementIDs::ELITE_COUNT_EDIT);
    EXPECT_EQ(std::wstring(gui().itemCountEdit->getText()), L"60");
    EXPECT_EQ(gui().params.itemCount, 60);
    EXPECT_EQ(std::wstring(gui().mutationRateEdit->getText()), L"0.25");
}

// As it was seen: the focus stayed on a button whose window had been hidden, and Space or
// Enter pressed it; fast mode came back over the parameter dialog, or Stop ran again.
TEST_F(GuiEvents, SpaceAndEnterNeverPressAHiddenButton)
{
    const auto pressSpaceAndEnter = [] {
        for (EKEY_CODE key : {KEY_SPACE, KEY_RETURN}) {
            const wchar_t character = key == KEY_SPACE ? L' ' : L'\r';
            engine.device->postEventFromUser(keyEvent(key, true, character));
            engine.device->postEventFromUser(keyEvent(key, false, character));
        }
    };
    // The keyboard went with the panel shown.
    const auto focusIsShown = [] {
        gui::IGUIElement* focus = engine.guiEnvironment->getFocus();
        return focus && GUI::isUsable(focus);
    };

    // A fast run that ends with the population-0 error.
    gui().params.populationSize = 0;
    gui().params.generationTime = 1.0f;
    gui().updateGuiContents();
    clickWithMouse(GUIElementIDs::START_BUTTON);
    clickWithMouse(GUIElementIDs::FAST_MODE_BUTTON);
    ASSERT_TRUE(engine.fastMode);
    for (int i = 0; i < 100 && world().run; ++i)
        step();
    ASSERT_EQ(world().run, nullptr);
    ASSERT_EQ(panelState(), SETUP);
    EXPECT_TRUE(focusIsShown());
    pressSpaceAndEnter();
    EXPECT_EQ(panelState(), SETUP);
    EXPECT_FALSE(engine.fastMode);

    // Stop, then a line on the log that a second stop would clear.
    gui().params.populationSize = 3;
    gui().updateGuiContents();
    clickWithMouse(GUIElementIDs::START_BUTTON);
    ASSERT_EQ(panelState(), RUNNING);
    clickWithMouse(GUIElementIDs::STOP_BUTTON);
    ASSERT_EQ(panelState(), SETUP);
    EXPECT_TRUE(focusIsShown());
    engine.screenLog->writeLine(L"still here");
    pressSpaceAndEnter();
    EXPECT_EQ(logLine(0), L"still here");
    EXPECT_EQ(panelState(), SETUP);

    // Within the panel shown the keyboard still works: Space presses a focused, visible Start.
    engine.guiEnvironment->setFocus(element(GUIElementIDs::START_BUTTON));
    pressSpaceAndEnter();
    EXPECT_EQ(panelState(), RUNNING);
    EXPECT_NE(world().run, nullptr);
}

} // namespace
