#pragma once

#include "core/TimeControl.h"

#include <irrlicht.h>

#include <cstdio>
#include <functional>
#include <string>

namespace modules {

struct AppOptions;
class GUI;
class World;
class CameraController;
class ScreenLog;
class FitnessChart;
class NetworkView;
class BehaviourMap;

// The one global object: the device and what it hands out, and the objects that live for
// the whole run. Tests and the batch runner drive the same pieces the window does.
class Engine {
public:
    // The fixed simulation step: the 32-bit float nearest to 1/30 s.
    static constexpr float SIMULATION_STEP = 0.033333335f;

    // Runs the windowed program; returns the process exit status.
    int main(const AppOptions& options);

    // Opens the device, fetches its interfaces, mounts the media folder (the first found by
    // findMediaFolder) and sets the caption. The engine's log shows lines of `logLevel` and
    // above from the start (the default shows its start-up banner on standard output).
    // On failure returns false with a one-line message starting "Error: " in `error`.
    bool openDevice(irr::video::E_DRIVER_TYPE driverType, const irr::core::dimension2du& size,
                    bool fullScreen, std::string& error, irr::ELOG_LEVEL logLevel = irr::ELL_INFORMATION);
    // The program's window: full screen at the desktop resolution, or, with --window, an
    // ordinary resizable window of the asked size that may not be made smaller than the
    // smallest usable size. False with a one-line message in `error`.
    bool openWindow(const AppOptions& options, std::string& error);
    // Builds the screen log, the camera, seeds rand() with `seed`, the World and, when
    // `withGui`, the GUI.
    bool createScene(unsigned seed, bool withGui, std::string& error);
    // One simulation step: only while an evolution runs.
    void simulationStep();
    // The scene graph's animation pass without drawing (collision response, transforms).
    void animateScene(irr::u32 timeMs);
    // A step that is not drawn, as fast mode, the batch runner and the tests make it:
    // the simulation step, then the animation pass at `timeMs` (never 0: the collision
    // response takes time 0 for a reset).
    void undrawnStep(irr::u32 timeMs);
    // The one place where a screen size takes effect: the camera's aspect ratio, the screen
    // log at the bottom left and the GUI's windows (GUI::layout). Runs once the scene is
    // built and again whenever the screen size changes.
    void layout(const irr::core::dimension2du& size);
    // Once per loop iteration: lays out again when the device has reported another window
    // size; a resizable window made smaller than the smallest usable size is sized back up.
    void followScreenSize();
    // The simulation steps of one drawn frame as timeControl asks (the single steps asked
    // for, and unless paused the normal mode's speed): all but the last undrawn at `timeMs`,
    // the last left for the frame's own animation pass. Then the frame.
    void stepAndDrawFrame(irr::u32 timeMs);
    // Camera step, sensor lines, highlight, scene, the chart and network panels, and GUI.
    void drawFrame();
    // Releases everything in the reverse order of creation.
    void shutdown();

    // More than 1000 * SIMULATION_STEP ms of timer time since the last frame (unsigned,
    // so it survives the timer's wrap).
    static bool frameDue(irr::u32 now, irr::u32 last);
    // The whole milliseconds from `now` until frameDue holds; 0 when it already does.
    static irr::u32 msUntilFrameDue(irr::u32 now, irr::u32 last);

    // Ends a run that cannot go on: message to `abortRunOutput` and the screen log,
    // back to the parameter dialog.
    void abortRun(const char* message);
    // Where abortRun writes its line: standard output, with the window program's other
    // diagnostics; nullptr for a caller that reports it itself (see runAborted).
    std::FILE* abortRunOutput = stdout;
    // Called by abortRun with its message, after the run has ended; the window leaves it empty.
    std::function<void(const char* message)> runAborted;

    // Called inside a simulation step right before the generation cycle runs, when every
    // vehicle's fitness is final; the window leaves it empty.
    std::function<void(const World& world)> beforeGenerationCycle;

    irr::IrrlichtDevice* device = nullptr;
    irr::video::IVideoDriver* driver = nullptr;
    irr::gui::IGUIEnvironment* guiEnvironment = nullptr;
    irr::scene::ISceneManager* sceneManager = nullptr;
    irr::ITimer* timer = nullptr;
    irr::gui::ICursorControl* cursorControl = nullptr;
    irr::io::IFileSystem* fileSystem = nullptr;
    // The data folder that openDevice mounted (see MediaLocation), for messages.
    std::string mediaFolder;
    GUI* gui = nullptr;
    World* world = nullptr;
    CameraController* cameraController = nullptr;
    ScreenLog* screenLog = nullptr;
    // The window's panels over the scene; built with the GUI, whose font they use.
    FitnessChart* fitnessChart = nullptr;
    NetworkView* networkView = nullptr;
    BehaviourMap* behaviourMap = nullptr;
    bool fastMode = false;
    // Pause, single steps and the normal mode's speed.
    TimeControl timeControl;
    // Simulation steps made and frames drawn since createScene.
    unsigned long long stepsMade = 0;
    unsigned long long framesDrawn = 0;
    // An ordinary resizable window (--window) rather than full screen.
    bool windowed = false;
    // The seed createScene gave the generator.
    unsigned seed = 0;

private:
    void runLoop();
    void drawPanels();
    irr::u32 last = 0;
    irr::core::dimension2du laidOutSize;
};

extern Engine engine;

} // namespace modules
