#include "gui/GUI.h"

#include "core/Engine.h"
#include "gui/ClipRecorder.h"
#include "gui/GUIElementIDs.h"
#include "media/MediaCheck.h"
#include "methods/MethodRegistry.h"
#include "tasks/TaskRegistry.h"

#include <filesystem>

using namespace irr;

namespace modules {

namespace {

template <typename T>
T* lookUp(s32 id, gui::EGUI_ELEMENT_TYPE type, const char* kind, std::string& error)
{
    gui::IGUIElement* element = GUIElementIDs::getElementFromID(id, nullptr);
    if (!element || element->getType() != type) {
        error = std::string("Error: the panel layout \"") + GUI::LAYOUT_FILE + "\" has no " + kind + " with id "
            + std::to_string(id) + ".";
        return nullptr;
    }
    return static_cast<T*>(element);
}

gui::IGUIElement* elementNamed(gui::IGUIElement* start, const std::string& name)
{
    if (start->getName() == name)
        return start;
    for (gui::IGUIElement* child : start->getChildren())
        if (gui::IGUIElement* found = elementNamed(child, name))
            return found;
    return nullptr;
}

// Where a data file was looked for: in the folder the engine mounted.
std::string inMedia(const char* name)
{
    return (std::filesystem::path(engine.mediaFolder) / name).string();
}

} // namespace

GUI::GUI(World* world, CameraController* cameraController)
    : world(world)
    , cameraController(cameraController)
{
    params = EvolutionParams();
    engine.device->setEventReceiver(this);
    engine.cursorControl->setVisible(true);

    // Both files are opened by their path in the mounted folder: the archive still finds
    // them by bare name, and a file missing there is not looked for in the working directory.
    const std::string fontPath = inMedia("font1/font.xml");
    const std::string layoutPath = inMedia(LAYOUT_FILE);

    readingMediaFile(fontPath);
    gui::IGUIFont* font = engine.guiEnvironment->getFont(fontPath.c_str());
    if (!font) {
        error = std::string("Error: cannot load the font \"") + FONT_FILE + "\" (looked for "
            + fontPath + ").";
        return;
    }
    gui::IGUISkin* skin = engine.guiEnvironment->getSkin();
    skin->setFont(font);
    // The default skin is translucent: an open drop-down list would show the boxes below.
    for (s32 i = 0; i < gui::EGDC_COUNT; ++i) {
        video::SColor colour = skin->getColor(static_cast<gui::EGUI_DEFAULT_COLOR>(i));
        colour.setAlpha(255);
        skin->setColor(static_cast<gui::EGUI_DEFAULT_COLOR>(i), colour);
    }

    readingMediaFile(layoutPath);
    if (!engine.guiEnvironment->loadGUI(layoutPath.c_str(), nullptr)) {
        error = std::string("Error: cannot load the panel layout \"") + LAYOUT_FILE + "\" from "
            + inMedia("") + ".";
        return;
    }
    if (!lookUpElements())
        return;
    // The methods as the program knows them, whatever the layout lists.
    methodCombo->clear();
    for (const MethodInfo& method : evolutionMethods())
        methodCombo->addItem(method.label);
    methodCombo->setMaxSelectionRows(static_cast<u32>(evolutionMethods().size()));
    taskCombo->clear();
    for (const TaskInfo& task : evolutionTasks())
        taskCombo->addItem(task.label);
    taskCombo->setMaxSelectionRows(static_cast<u32>(evolutionTasks().size()));

    layout(engine.driver->getScreenSize());
    for (gui::IGUIWindow* window : {setupWindow, cameraWindow, fastModeWindow, runWindow})
        window->getCloseButton()->setVisible(false);
    cameraWindow->setVisible(false);
    fastModeWindow->setVisible(false);
    runWindow->setVisible(false);
    updateGuiContents();
    showTimeState();
}

// Escape, Quit and the window's close button all end here: a clip being recorded is
// finished first.
GUI::~GUI()
{
    stopRecording();
}

bool GUI::lookUpElements()
{
    using IDs = GUIElementIDs;
    const auto window = [this](s32 id) {
        return lookUp<gui::IGUIWindow>(id, gui::EGUIET_WINDOW, "window", error);
    };
    const auto edit = [this](s32 id) {
        return lookUp<gui::IGUIEditBox>(id, gui::EGUIET_EDIT_BOX, "edit box", error);
    };
    return (setupWindow = window(IDs::SETUP_WINDOW))
        && (cameraWindow = window(IDs::CAMERA_WINDOW))
        && (fastModeWindow = window(IDs::FAST_MODE_WINDOW))
        && (runWindow = window(IDs::RUN_WINDOW))
        && (pauseButton = lookUp<gui::IGUIButton>(IDs::PAUSE_BUTTON, gui::EGUIET_BUTTON, "button", error))
        && (speedText = lookUp<gui::IGUIStaticText>(IDs::SPEED_TEXT, gui::EGUIET_STATIC_TEXT, "static text", error))
        && (generationTimeEdit = edit(IDs::GENERATION_TIME_EDIT))
        && (itemCountEdit = edit(IDs::ITEM_COUNT_EDIT))
        && (populationSizeEdit = edit(IDs::POPULATION_SIZE_EDIT))
        && (eliteCountEdit = edit(IDs::ELITE_COUNT_EDIT))
        && (selectorCombo = lookUp<gui::IGUIComboBox>(IDs::SELECTOR_COMBO, gui::EGUIET_COMBO_BOX, "combo box", error))
        && (crossoverRateEdit = edit(IDs::CROSSOVER_RATE_EDIT))
        && (mutationRateEdit = edit(IDs::MUTATION_RATE_EDIT))
        && (maxPerturbationEdit = edit(IDs::MAX_PERTURBATION_EDIT))
        && (hiddenNeuronsEdit = edit(IDs::HIDDEN_NEURONS_EDIT))
        && (weightRangeEdit = edit(IDs::WEIGHT_RANGE_EDIT))
        && (methodCombo = lookUp<gui::IGUIComboBox>(IDs::METHOD_COMBO, gui::EGUIET_COMBO_BOX, "combo box", error))
        && (sigmaEdit = edit(IDs::SIGMA_EDIT))
        && (learningRateEdit = edit(IDs::LEARNING_RATE_EDIT))
        && (taskCombo = lookUp<gui::IGUIComboBox>(IDs::TASK_COMBO, gui::EGUIET_COMBO_BOX, "combo box", error))
        && (poisonShareEdit = edit(IDs::POISON_SHARE_EDIT))
        && (mazeEdit = edit(IDs::MAZE_EDIT))
        && lookUpParameterRows();
}

std::string GUI::controlName(const ParameterInfo& parameter)
{
    std::string name;
    bool upper = false;
    for (char c : parameter.name()) {
        if (c == '-') {
            upper = true;
            continue;
        }
        name += upper ? static_cast<char>(c - 'a' + 'A') : c;
        upper = false;
    }
    return name + (parameter.choices.empty() ? "Edit" : "Combo");
}

bool GUI::lookUpParameterRows()
{
    // The dialog shows every parameter of the table, each by the control named after it, so
    // a parameter added to the table without its row is caught at start-up.
    parameterRows.clear();
    for (const ParameterInfo& parameter : evolutionParameters()) {
        const std::string name = controlName(parameter);
        gui::IGUIElement* control = elementNamed(setupWindow, name);
        const gui::EGUI_ELEMENT_TYPE type = parameter.choices.empty() ? gui::EGUIET_EDIT_BOX : gui::EGUIET_COMBO_BOX;
        if (!control || control->getType() != type) {
            error = std::string("Error: the panel layout \"") + LAYOUT_FILE + "\" has no "
                + (parameter.choices.empty() ? "edit box" : "combo box") + " named " + name + " for "
                + parameter.option + ".";
            return false;
        }
        parameterRows.push_back({&parameter, control});
    }
    return true;
}

void GUI::layout(const core::dimension2du& screenSize)
{
    const s32 viewWidth = static_cast<s32>(screenSize.Width);
    const s32 viewHeight = static_cast<s32>(screenSize.Height);

    core::rect<s32> area = setupWindow->getRelativePosition();
    const s32 width = area.getWidth();
    const s32 left = viewWidth / 2 - width / 2;
    setupWindow->setRelativePosition(core::rect<s32>(left, area.UpperLeftCorner.Y, left + width,
                                                     area.LowerRightCorner.Y));

    area = setupWindow->getRelativePosition();
    const s32 height = area.getHeight();
    const s32 top = viewHeight / 2 - height / 2;
    setupWindow->setRelativePosition(core::rect<s32>(area.UpperLeftCorner.X, top, area.LowerRightCorner.X,
                                                     top + height));
}

bool GUI::isUsable(const gui::IGUIElement* element)
{
    for (; element; element = element->getParent())
        if (!element->isVisible() || !element->isEnabled())
            return false;
    return true;
}

void GUI::showSetupPanel()
{
    // The next run starts in motion, with no single step of this one left to make.
    engine.timeControl.restart();
    showTimeState();
    setupWindow->setVisible(true);
    cameraWindow->setVisible(false);
    runWindow->setVisible(false);
    fastModeWindow->setVisible(false);
    engine.guiEnvironment->setFocus(setupWindow);
}

void GUI::showRunningPanel()
{
    setupWindow->setVisible(false);
    cameraWindow->setVisible(true);
    runWindow->setVisible(true);
    fastModeWindow->setVisible(false);
    engine.guiEnvironment->setFocus(runWindow);
}

void GUI::showFastPanel()
{
    cameraWindow->setVisible(false);
    runWindow->setVisible(false);
    fastModeWindow->setVisible(true);
    engine.guiEnvironment->setFocus(fastModeWindow);
}

} // namespace modules
