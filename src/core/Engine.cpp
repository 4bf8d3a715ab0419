#include "core/Engine.h"

#include "core/AppOptions.h"
#include "core/DesktopResolution.h"
#include "core/X11Window.h"
#include "core/Random.h"
#include "core/StateReport.h"
#include "evolution/EvolutionRun.h"
#include "gui/BehaviourMap.h"
#include "gui/CameraController.h"
#include "gui/FitnessChart.h"
#include "gui/GUI.h"
#include "gui/NetworkView.h"
#include "gui/ScreenLayout.h"
#include "gui/ScreenLog.h"
#include "gui/SelectionCaption.h"
#include "media/MediaLocation.h"
#include "media/B3DStructure.h"
#include "media/MediaCheck.h"
#include "vehicle/Vehicle.h"
#include "vehicle/VehicleSensor.h"
#include "world/World.h"

#include <csignal>
#include <cstring>
#include <cstdio>
#include <ctime>

using namespace irr;

namespace modules {

Engine engine;

namespace {

volatile std::sig_atomic_t terminationRequested = 0;

void onTerminate(int)
{
    terminationRequested = 1;
}

// A mesh that loads but holds no geometry is as unusable as a missing one.
bool meshLoads(scene::ISceneManager* sceneManager, const char* name)
{
    scene::IAnimatedMesh* mesh = sceneManager->getMesh(name);
    return mesh && mesh->getMesh(0) && mesh->getMesh(0)->getMeshBufferCount() > 0;
}

} // namespace

bool Engine::frameDue(u32 now, u32 last)
{
    return static_cast<float>(now - last) > 1000.0f * SIMULATION_STEP;
}

u32 Engine::msUntilFrameDue(u32 now, u32 last)
{
    // The first whole millisecond past the simulation step.
    const u32 frame = static_cast<u32>(1000.0f * SIMULATION_STEP) + 1;
    const u32 elapsed = now - last;
    return elapsed >= frame ? 0 : frame - elapsed;
}

bool Engine::openDevice(video::E_DRIVER_TYPE driverType, const core::dimension2du& size,
                        bool fullScreen, std::string& error, ELOG_LEVEL logLevel)
{
    // createDevice's parameters, with the logger's level set before the device's first line.
    SIrrlichtCreationParameters parameters;
    parameters.DriverType = driverType;
    parameters.WindowSize = size;
    parameters.Bits = 32;
    parameters.Fullscreen = fullScreen;
    parameters.Stencilbuffer = false;
    parameters.Vsync = false;
    parameters.EventReceiver = nullptr;
    parameters.LoggingLevel = logLevel;
    device = createDeviceEx(parameters);
    if (!device) {
        error = "Error: cannot create the " + std::string(driverType == video::EDT_NULL ? "null" : "OpenGL")
            + " device at " + std::to_string(size.Width) + "x" + std::to_string(size.Height) + ".";
        return false;
    }
    guiEnvironment = device->getGUIEnvironment();
    driver = device->getVideoDriver();
    sceneManager = device->getSceneManager();
    timer = device->getTimer();
    cursorControl = device->getCursorControl();
    fileSystem = device->getFileSystem();

    const MediaLocation media = findMediaFolder();
    if (!media.found()) {
        error = "Error: cannot open the media folder " + media.triedList() + ".";
        return false;
    }
    mediaFolder = media.folder.string();
    if (!fileSystem->addFileArchive(mediaFolder.c_str(), true, true, io::EFAT_FOLDER)) {
        error = "Error: cannot open the media folder " + mediaFolder + ".";
        return false;
    }
    device->setWindowCaption(L"Kinetarium");
    fastMode = false;
    return true;
}

bool Engine::openWindow(const AppOptions& options, std::string& error)
{
    windowed = options.windowed;
    if (!windowed) {
        core::dimension2du resolution;
        return findDesktopResolution(resolution, error) && openDevice(video::EDT_OPENGL, resolution, true, error);
    }
    // A window needs no video mode, only a display to open it on.
    core::dimension2du screenSize;
    if (!findXScreenSize(screenSize, error) || !openDevice(video::EDT_OPENGL, options.windowSize, false, error))
        return false;
    device->setResizable(true);
    acceptCloseMessage(driver);
    setMinimumWindowSize(driver, core::dimension2du(ScreenLayout::MINIMUM_WIDTH, ScreenLayout::MINIMUM_HEIGHT));
    return true;
}

bool Engine::createScene(unsigned seed, bool withGui, std::string& error)
{
    // Loaded before anything is built on them: the arena's collision and every vehicle
    // depend on the walls and the vehicle. The ground may be missing (no floor is drawn),
    // but a damaged one is refused like the others.
    for (const char* name : {"ground.b3d", "walls.b3d", "vehicle.b3d"}) {
        const bool optional = std::strcmp(name, "ground.b3d") == 0;
        readingMediaFile((std::filesystem::path(mediaFolder) / name).string());
        bool found = false;
        const std::string damage = checkB3DStructureFile(fileSystem, name, found);
        if (!found && optional)
            continue;
        if (found && !damage.empty()) {
            error = std::string("Error: the mesh \"") + name + "\" in " + mediaFolder + " is damaged: " + damage + ".";
            return false;
        }
        if (!meshLoads(sceneManager, name)) {
            error = std::string("Error: cannot load the mesh \"") + name + "\" from " + mediaFolder + ".";
            return false;
        }
    }

    timeControl = TimeControl();
    stepsMade = 0;
    framesDrawn = 0;
    screenLog = new ScreenLog();
    cameraController = new CameraController();
    this->seed = seed;
    seedRandom(seed);
    world = new World();
    // The run's messages reach the user through the screen log.
    world->logLine = [this](const wchar_t* line) { screenLog->writeLine(line); };
    world->logCleared = [this] { screenLog->clear(); };
    world->vehiclesRemoved = [this] {
        if (cameraController) {
            cameraController->followedVehicle = nullptr;
            // A selection lives as long as its vehicle: the camera goes back to its mode.
            cameraController->endSelection();
        }
    };
    world->leaderChanged = [this](Vehicle* best) {
        if (cameraController)
            cameraController->followedVehicle = best;
    };
    if (withGui) {
        gui = new GUI(world, cameraController);
        if (!gui->loadError().empty()) {
            error = gui->loadError();
            return false;
        }
        fitnessChart = new FitnessChart();
        networkView = new NetworkView();
        behaviourMap = new BehaviourMap();
    }
    layout(driver->getScreenSize());
    last = timer->getTime();
    return true;
}

void Engine::layout(const core::dimension2du& size)
{
    laidOutSize = size;
    if (size.Width == 0 || size.Height == 0)
        return;
    cameraController->camera->setAspectRatio(static_cast<f32>(size.Width) / static_cast<f32>(size.Height));
    screenLog->layout(size);
    if (gui)
        gui->layout(size);
}

void Engine::followScreenSize()
{
    const core::dimension2du size = driver->getScreenSize();
    if (size == laidOutSize)
        return;
    // Without a window manager nothing holds the window to its minimum size.
    if (windowed && (size.Width < ScreenLayout::MINIMUM_WIDTH || size.Height < ScreenLayout::MINIMUM_HEIGHT))
        resizeWindow(driver, core::dimension2du(core::max_(size.Width, ScreenLayout::MINIMUM_WIDTH),
                                                core::max_(size.Height, ScreenLayout::MINIMUM_HEIGHT)));
    layout(size);
}

void Engine::simulationStep()
{
    if (!world || !world->run)
        return;
    ++stepsMade;
    world->generationClock += SIMULATION_STEP;
    for (Vehicle* vehicle : world->vehicles)
        vehicle->update(SIMULATION_STEP);
    if (world->generationClock >= world->generationTime) {
        if (beforeGenerationCycle)
            beforeGenerationCycle(*world);
        try {
            runGenerationCycle(*world);
        } catch (const EmptyPopulationError& e) {
            abortRun(e.what());
        }
    }
}

void Engine::abortRun(const char* message)
{
    if (abortRunOutput) {
        std::fputs(message, abortRunOutput);
        std::fputc('\n', abortRunOutput);
        std::fflush(abortRunOutput);
    }
    stopEvolution(*world);
    const core::stringw text(message);
    screenLog->writeLine(text.c_str());
    fastMode = false;
    if (gui)
        gui->showSetupPanel();
    if (runAborted)
        runAborted(message);
}

void Engine::animateScene(u32 timeMs)
{
    sceneManager->getRootSceneNode()->OnAnimate(timeMs);
}

void Engine::undrawnStep(u32 timeMs)
{
    simulationStep();
    animateScene(timeMs);
}

void Engine::stepAndDrawFrame(u32 timeMs)
{
    const int steps = timeControl.takeStepsForFrame();
    for (int i = 1; i < steps; ++i)
        undrawnStep(timeMs);
    if (steps > 0)
        simulationStep();
    drawFrame();
}

void Engine::drawFrame()
{
    cameraController->updateCamera(SIMULATION_STEP);

    driver->beginScene(true, true, video::SColor(0));
    // The lines come before the scene, whose camera would only then give the driver this
    // frame's view; with the last frame's view a gliding camera drew them off their place.
    if (scene::ICameraSceneNode* camera = sceneManager->getActiveCamera()) {
        camera->updateAbsolutePosition();
        camera->render();
    }
    // The sensor lines are drawn in world space, unlit.
    video::SMaterial lineMaterial;
    lineMaterial.Lighting = false;
    driver->setMaterial(lineMaterial);
    driver->setTransform(video::ETS_WORLD, core::IdentityMatrix);
    for (Vehicle* vehicle : world->vehicles)
        for (VehicleSensor* sensor : vehicle->sensors) {
            // A vehicle born in this step's generation change has had no update yet, and no
            // animation pass in the window either; its lines go where it was put. Its update
            // places them anew before reading them.
            if (!sensor->isPlaced())
                sensor->placeAsPosed();
            driver->draw3DLine(sensor->worldLine.start, sensor->worldLine.end, video::SColor(0xFFFF0000));
        }
    world->updateHighlight();
    sceneManager->drawAll();
    drawPanels();
    guiEnvironment->drawAll();
    if (gui) {
        gui->helpOverlay.draw(driver, guiEnvironment->getSkin()->getFont(), driver->getScreenSize());
        // The finished picture is read back from the back buffer, before the swap leaves it undefined.
        gui->frameDrawn();
    }
    driver->endScene();
    ++framesDrawn;
    last = timer->getTime();
}

void Engine::drawPanels()
{
    if (!gui || !fitnessChart || !networkView || !behaviourMap)
        return;
    // Read at every drawn frame, in fast mode too, so no generation is missed; hidden
    // panels stay up to date. After Stop the chart keeps the last run.
    if (world->run) {
        fitnessChart->sync(world->run->runId, world->run->history);
        behaviourMap->sync(*world->run);
    }
    gui::IGUIFont* font = guiEnvironment->getSkin()->getFont();
    const core::dimension2du screen = driver->getScreenSize();
    if (gui->mapShown)
        behaviourMap->draw(driver, font, screen);
    if (!gui->chartsShown)
        return;
    fitnessChart->draw(driver, font, screen);
    if (const GUI::ShownElite* elite = gui->eliteOnPanel()) {
        static const std::vector<std::string> unnamed;
        networkView->draw(driver, font, screen, elite->picture, world->run->task ? world->run->task->inputNames() : unnamed);
        drawSelectionCaption(driver, font, NetworkView::panelArea(screen), elite->caption);
    } else if (Vehicle* shown = cameraController->networkVehicle()) {
        // The inputs are named by the task of the run the vehicle drives in.
        static const std::vector<std::string> unnamed;
        networkView->draw(driver, font, screen, shown->steering().picture(),
                          world->run && world->run->task ? world->run->task->inputNames() : unnamed);
        if (shown == cameraController->selectedVehicle)
            drawSelectionCaption(driver, font, NetworkView::panelArea(screen),
                                 selectionCaption(cameraController->selectedNumber, shown->fitness));
    }
}

void Engine::runLoop()
{
    while (device->run()) {
        if (terminationRequested) {
            device->closeDevice();
            continue;
        }
        followScreenSize();
        const u32 now = timer->getTime();
        const bool due = frameDue(now, last);
        if (!due && (!fastMode || timeControl.paused())) {
            // Asleep until the frame is due: a mere yield woke the idle loop thousands of
            // times a second. Events wait for at most one frame, as they do while drawing.
            device->sleep(msUntilFrameDue(now, last));
            continue;
        }
        if (!due) {
            undrawnStep(timer->getTime());
            continue;
        }
        // Single steps asked for just before the run was resumed are still made, by this frame.
        if (fastMode && !timeControl.paused() && timeControl.waitingSteps() == 0) {
            simulationStep();
            drawFrame();
        } else {
            stepAndDrawFrame(timer->getTime());
        }
        if (stateReportAsked())
            printStateReport(*this);
    }
}

void Engine::shutdown()
{
    if (device)
        device->setEventReceiver(nullptr);
    delete behaviourMap;
    behaviourMap = nullptr;
    delete networkView;
    networkView = nullptr;
    delete fitnessChart;
    fitnessChart = nullptr;
    delete gui;
    gui = nullptr;
    delete world;
    world = nullptr;
    delete cameraController;
    cameraController = nullptr;
    delete screenLog;
    screenLog = nullptr;
    if (device)
        device->drop();
    device = nullptr;
    driver = nullptr;
    guiEnvironment = nullptr;
    sceneManager = nullptr;
    timer = nullptr;
    cursorControl = nullptr;
    fileSystem = nullptr;
    mediaFolder.clear();
}

int Engine::main(const AppOptions& options)
{
    // A terminated program still restores the desktop's video mode on its way out; the
    // handlers come first, as start-up already switches the mode. A signal during start-up
    // ends the program at the loop's first pass.
    std::signal(SIGTERM, onTerminate);
    std::signal(SIGINT, onTerminate);
    askStateReportOnSignal();

    std::string error;
    // The data files are tried in a child process before any window opens.
    bool ok = checkMediaFiles(error)
        && openWindow(options, error)
        && createScene(static_cast<unsigned>(std::time(nullptr)), true, error);
    if (!ok) {
        std::puts(error.c_str());
        shutdown();
        return 1;
    }

    gui->applyStartOptions(options);
    runLoop();
    const int status = gui->endOfProgram();
    shutdown();
    return status;
}

} // namespace modules
