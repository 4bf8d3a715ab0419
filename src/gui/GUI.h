#pragma once

#include "brain/Brain.h"
#include "evolution/EvolutionParams.h"
#include "evolution/ParameterTable.h"
#include "evolution/PopulationFile.h"
#include "gui/HelpOverlay.h"

#include <irrlicht.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace modules {

struct AppOptions;
class World;
class CameraController;
class ClipRecorder;

// The panel loaded from "gui.xml", the device's event receiver and the parameter record.
class GUI : public irr::IEventReceiver {
public:
    static constexpr const char* FONT_FILE = "media/font1/font.xml";
    static constexpr const char* LAYOUT_FILE = "gui.xml";

    GUI(World* world, CameraController* cameraController);
    virtual ~GUI();

    bool OnEvent(const irr::SEvent& event) override;

    // Shows params in every parameter's control, the task and the method.
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

    // Reads a population file into the panel: its parameters are shown and the next Start
    // continues its run. A bad file leaves everything as it was. Either way one line on the
    // log (and an error on standard output too). True when loaded.
    bool loadPopulation(const std::string& path);
    // Writes the running evolution, at its last generation boundary, to a new file in
    // populationFolder(); one line on the log. Returns the file's path, empty on failure.
    std::string savePopulation();
    // $XDG_DATA_HOME/kinetarium, or ~/.local/share/kinetarium; empty when neither is known.
    static std::string populationFolder();

    // On the log and on standard output, where a script driving the window can read it. The
    // log's font holds ASCII; a path's other characters show as the font's fallback.
    static void report(const std::string& line);
    // The same for an error: on the log and on standard error.
    static void reportError(const std::string& line);

    // Recording clips of the window (GUIRecording.cpp). R and the Record button start and
    // stop; `path` empty: a new file in videoFolder(). False (with its line) when no clip
    // could be started.
    void toggleRecording();
    bool startRecording(const std::string& path = std::string());
    // Finishes the clip and says where it is; nothing when not recording. False when the
    // clip was not saved whole under its name.
    bool stopRecording();
    bool isRecording() const;
    // After each drawn frame: hands the frame to the recorder, starts the recording that
    // --record asked for once a run exists, and ends the program after --quit-after.
    void frameDrawn();
    // --load, --start, --follow-best, --record, --quit-after, at start-up
    // (GUIStartOptions.cpp). With --quit-after nobody is at the window: what the options
    // ask and cannot be done ends the program with status 1.
    void applyStartOptions(const AppOptions& options);
    // After the main loop: finishes a clip and says what --record did not do; the exit status.
    int endOfProgram();

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

    // Pause and resume (P, the Pause button), one step while paused (N), the normal
    // mode's speed (+ and -): each with its line on the log.
    void togglePause();
    void stepOnce();
    void changeSpeed(bool faster);
    // The Pause button's text and the speed line follow the engine's time control.
    void showTimeState();

    // Flips whether the fitness chart and the network panel are drawn (Chart button, F2);
    // the behaviour map follows them.
    void toggleCharts()
    {
        chartsShown = !chartsShown;
        mapShown = chartsShown;
    }
    // Flips the behaviour map alone (F3).
    void toggleMap() { mapShown = !mapShown; }

    // A MAP-Elites elite that a click on its cell in the behaviour map put on the network
    // panel, in place of a vehicle's network: until a vehicle is picked, a camera button is
    // clicked or its run ends.
    struct ShownElite {
        std::uint64_t runId = 0;
        int cell = -1;
        BrainPicture picture;
        std::wstring caption;
    };
    std::optional<ShownElite> shownElite;
    // The elite of the running MAP-Elites run's cell (an index into its grid) on the network
    // panel; false, and nothing changes, when there is no such elite.
    bool showElite(int cell);
    // The shown elite while its run is the running one; null otherwise.
    const ShownElite* eliteOnPanel() const;

    World* world;
    CameraController* cameraController;
    bool chartsShown = true;
    bool mapShown = true;
    EvolutionParams params;
    irr::gui::IGUIWindow* setupWindow = nullptr;
    irr::gui::IGUIWindow* cameraWindow = nullptr;
    irr::gui::IGUIWindow* fastModeWindow = nullptr;
    irr::gui::IGUIWindow* runWindow = nullptr;
    irr::gui::IGUIButton* pauseButton = nullptr;
    irr::gui::IGUIStaticText* speedText = nullptr;
    HelpOverlay helpOverlay;
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
    irr::gui::IGUIComboBox* methodCombo = nullptr;
    irr::gui::IGUIEditBox* sigmaEdit = nullptr;
    irr::gui::IGUIEditBox* learningRateEdit = nullptr;
    irr::gui::IGUIComboBox* taskCombo = nullptr;
    irr::gui::IGUIEditBox* poisonShareEdit = nullptr;
    irr::gui::IGUIEditBox* mazeEdit = nullptr;

    // Every parameter of the table with its control in the dialog, in the table's order.
    struct ParameterRow {
        const ParameterInfo* parameter;
        irr::gui::IGUIElement* control;
    };
    std::vector<ParameterRow> parameterRows;
    // The name of the dialog's control for a parameter: "mutationRateEdit", "selectorCombo".
    static std::string controlName(const ParameterInfo& parameter);

    // A loaded run waiting for Start, and the file it came from.
    std::optional<SavedRun> loadedRun;

private:
    bool lookUpElements();
    // Each parameter's control found by its name; false (with `error`) when one is missing.
    bool lookUpParameterRows();
    // The chosen task and method and which rows they use: the others are disabled.
    void showUsedRows();
    void showRecordingState();
    // The files of this run that a clip must never replace.
    std::vector<std::string> filesInUse() const;
    // A start option could not be done: unattended, the program ends with status 1 (its line
    // is out already); a user at the window reads the line and goes on.
    void optionFailed();
    void openPopulationDialog();
    void startRun();
    void onButtonClicked(irr::s32 id);
    // Keys and mouse actions on the arena: help, time, selection, zoom and orbit. True when
    // the event was used up.
    bool onViewEvent(const irr::SEvent& event);
    // A GUI element, a drawn panel or the help is at this point: the arena is not.
    bool coversArena(const irr::core::position2di& point) const;
    void pickAt(const irr::core::position2di& point);
    bool typing() const;
    bool orbiting = false;
    irr::core::position2di dragFrom;
    std::string error;
    std::unique_ptr<ClipRecorder> recorder;
    // --record: the file to record into once a run exists.
    std::string recordOnRun;
    // --quit-after: no one is at the window.
    bool unattended = false;
    int exitStatus = 0;
    // Population files read or written: loaded ones and saved ones.
    std::vector<std::string> runFiles;
    // R pressed again before the clip had its first picture: it stops after the next frame.
    bool stopAfterNextFrame = false;
    // --quit-after: the program ends at this time; none when unset.
    std::optional<std::chrono::steady_clock::time_point> quitTime;
};

} // namespace modules
