#pragma once

#include "evolution/EvolutionParams.h"

#include <irrlicht.h>

#include <string>

namespace modules {

class World;
class CameraController;

// The panel loaded from "gui.xml", the device's event receiver and the parameter record.
class GUI : public irr::IEventReceiver {
public:
    static constexpr const char* FONT_FILE = "media/font1/font.xml";
    static constexpr const char* LAYOUT_FILE = "gui.xml";

    GUI(World* world, CameraController* cameraController);
    virtual ~GUI();

    bool OnEvent(const irr::SEvent& event) override;

    // Shows params in the ten controls.
    void updateGuiContents();
    // Reads the controls into params when every edit box holds a number; else rolls back.
    void evolutionParamsChanged();
    // Six decimals, trailing zeros removed down to one decimal.
    static irr::core::stringw numberToString(float value);
    // Visible and enabled, and so are all its parents: only such an element may act.
    static bool isUsable(const irr::gui::IGUIElement* element);

    // Empty when construction found the font, the layout and every element it needs;
    // otherwise a one-line "Error: ..." message and the GUI must not be used.
    const std::string& loadError() const { return error; }

    // Places the windows for a screen of this size: the parameter dialog centred; the
    // camera, fast mode and run windows keep their places at the top left. Engine::layout
    // calls it on every change of the screen size; a panel placed by the screen's size
    // belongs here.
    void layout(const irr::core::dimension2du& screenSize);

    // The three panel states. The keyboard focus moves to the panel shown: a hidden button
    // that kept it would still be pressed by Space or Enter.
    void showSetupPanel();
    void showRunningPanel();
    void showFastPanel();

    // Flips whether the fitness chart and the network panel are drawn (Chart button, F2).
    void toggleCharts() { chartsShown = !chartsShown; }

    World* world;
    CameraController* cameraController;
    bool chartsShown = true;
    EvolutionParams params;
    irr::gui::IGUIWindow* setupWindow = nullptr;
    irr::gui::IGUIWindow* cameraWindow = nullptr;
    irr::gui::IGUIWindow* fastModeWindow = nullptr;
    irr::gui::IGUIWindow* runWindow = nullptr;
    irr::gui::IGUIEditBox* generationTimeEdit = nullptr;
    irr::gui::IGUIEditBox* itemCountEdit = nullptr;
    irr::gui::IGUIEditBox* populationSizeEdit = nullptr;
    irr::gui::IGUIEditBox* eliteCountEdit = nullptr;
    irr::gui::IGUIComboBox* selectorCombo = nullptr;
    irr::gui::IGUIEditBox* crossoverRateEdit = nullptr;
    irr::gui::IGUIEditBox* mutationRateEdit = nullptr;
    irr::gui::IGUIEditBox* maxPerturbationEdit = nullptr;
    irr::gui::IGUIEditBox* hiddenNeuronsEdit = nullptr;
    irr::gui::IGUIEditBox* weightRangeEdit = nullptr;

private:
    bool lookUpElements();
    void onButtonClicked(irr::s32 id);
    std::string error;
};

} // namespace modules
