#include "gui/GUI.h"

#include "core/Engine.h"
#include "core/Utf8.h"
#include "evolution/EvolutionRun.h"
#include "gui/CameraController.h"
#include "gui/GUIElementIDs.h"
#include "gui/ScreenLog.h"
#include "world/World.h"

using namespace irr;

namespace modules {

bool GUI::OnEvent(const SEvent& event)
{
    // Escape is seen before the GUI environment, so it quits even from a focused edit box.
    if (event.EventType == EET_KEY_INPUT_EVENT && event.KeyInput.Key == KEY_ESCAPE) {
        engine.device->closeDevice();
        return true;
    }
    if (onViewEvent(event))
        return true;
    if (event.EventType == EET_KEY_INPUT_EVENT && event.KeyInput.Key == KEY_F2) {
        if (event.KeyInput.PressedDown)
            toggleCharts();
        return true;
    }
    if (event.EventType == EET_KEY_INPUT_EVENT && event.KeyInput.Key == KEY_F3) {
        if (event.KeyInput.PressedDown)
            toggleMap();
        return true;
    }
    // The GUI environment hands keys to the focused element whether it is shown or not.
    if (event.EventType == EET_KEY_INPUT_EVENT) {
        gui::IGUIElement* focus = engine.guiEnvironment->getFocus();
        if (focus && !isUsable(focus))
            engine.guiEnvironment->removeFocus(focus);
        // R records, unless it is being typed into a box.
        focus = engine.guiEnvironment->getFocus();
        if (event.KeyInput.Key == KEY_KEY_R && !(focus && focus->getType() == gui::EGUIET_EDIT_BOX)) {
            if (event.KeyInput.PressedDown)
                toggleRecording();
            return true;
        }
        return false;
    }
    if (event.EventType != EET_GUI_EVENT)
        return false;

    gui::IGUIElement* caller = event.GUIEvent.Caller;
    switch (event.GUIEvent.EventType) {
    case gui::EGET_ELEMENT_FOCUS_LOST:
    case gui::EGET_EDITBOX_ENTER:
    case gui::EGET_COMBO_BOX_CHANGED:
        evolutionParamsChanged();
        break;
    case gui::EGET_ELEMENT_FOCUSED:
        // A box is emptied for typing; leaving it empty brings the stored value back.
        if (caller && caller->getType() == gui::EGUIET_EDIT_BOX && isUsable(caller))
            caller->setText(L"");
        break;
    case gui::EGET_FILE_SELECTED:
        if (caller && caller->getType() == gui::EGUIET_FILE_OPEN_DIALOG) {
            loadPopulation(toUtf8(static_cast<gui::IGUIFileOpenDialog*>(caller)->getFileName()));
        }
        break;
    case gui::EGET_BUTTON_CLICKED:
        if (caller && isUsable(caller))
            onButtonClicked(caller->getID());
        break;
    default:
        break;
    }
    return false;
}

void GUI::onButtonClicked(s32 id)
{
    switch (id) {
    case GUIElementIDs::START_BUTTON:
        startRun();
        break;
    case GUIElementIDs::LOAD_POPULATION_BUTTON:
        openPopulationDialog();
        break;
    case GUIElementIDs::SAVE_POPULATION_BUTTON:
        savePopulation();
        break;
    case GUIElementIDs::QUIT_BUTTON:
        engine.device->closeDevice();
        break;
    case GUIElementIDs::TOP_DOWN_CAMERA_BUTTON:
        shownElite.reset();
        cameraController->setCameraType(ECT_TOP_DOWN);
        engine.screenLog->writeLine(L"Top down camera view selected.");
        break;
    case GUIElementIDs::FOLLOW_CAMERA_BUTTON:
        shownElite.reset();
        cameraController->setCameraType(ECT_FOLLOW_BEST);
        engine.screenLog->writeLine(L"Camera is now following the best performing vehicle.");
        break;
    case GUIElementIDs::NORMAL_SPEED_BUTTON:
        showRunningPanel();
        engine.fastMode = false;
        break;
    case GUIElementIDs::FAST_MODE_BUTTON:
        showFastPanel();
        engine.fastMode = true;
        break;
    case GUIElementIDs::PAUSE_BUTTON:
        togglePause();
        break;
    case GUIElementIDs::RECORD_BUTTON:
        toggleRecording();
        break;
    case GUIElementIDs::CHART_BUTTON:
        toggleCharts();
        break;
    case GUIElementIDs::STOP_BUTTON:
        showSetupPanel();
        shownElite.reset();
        stopEvolution(*world);
        break;
    default:
        break;
    }
}

} // namespace modules
