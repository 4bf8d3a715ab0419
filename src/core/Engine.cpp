#include "core/Engine.h"

#include "core/DesktopResolution.h"
#include "evolution/Evolver.h"
#include "gui/CameraController.h"
#include "gui/GUI.h"
#include "gui/ScreenLog.h"
#include "media/B3DStructure.h"
#include "media/MediaCheck.h"
#include "vehicle/Vehicle.h"
#include "vehicle/VehicleSensor.h"
#include "world/World.h"

#include <csignal>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <filesystem>

using namespace irr;

namespace modules {

Engine engine;

namespace {

volatile std::sig_atomic_t terminationRequested = 0;

void onTerminate(int)
{
    terminationRequested = 1;
}

std::string mediaPath()
{
    std::error_code ec;
    return (std::filesystem::current_path(ec) / "media").string();
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

bool Engine::openDevice(video::E_DRIVER_TYPE driverType, const core::dimension2du& size,
                        bool fullScreen, std::string& error)
{
    device = createDevice(driverType, size, 32, fullScreen, false, false, nullptr);
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

    const std::string media = mediaPath();
    if (!std::filesystem::is_directory(media)
        || !fileSystem->addFileArchive("media", true, true, io::EFAT_FOLDER)) {
        error = "Error: cannot open the media folder " + media + ".";
        return false;
    }
    device->setWindowCaption(L"Kinetarium");
    fastMode = false;
    return true;
}

bool Engine::createScene(unsigned seed, bool withGui, std::string& error)
{
    // Loaded before anything is built on them: the arena's collision and every vehicle
    // depend on the walls and the vehicle. The ground may be missing (no floor is drawn),
    // but a damaged one is refused like the others.
    for (const char* name : {"ground.b3d", "walls.b3d", "vehicle.b3d"}) {
        const bool optional = std::strcmp(name, "ground.b3d") == 0;
        readingMediaFile(std::string("media/") + name);
        bool found = false;
        const std::string damage = checkB3DStructureFile(fileSystem, name, found);
        if (!found && optional)
            continue;
        if (found && !damage.empty()) {
            error = std::string("Error: the mesh \"") + name + "\" in " + mediaPath() + " is damaged: " + damage + ".";
            return false;
        }
        if (!meshLoads(sceneManager, name)) {
            error = std::string("Error: cannot load the mesh \"") + name + "\" from " + mediaPath() + ".";
            return false;
        }
    }

    screenLog = new ScreenLog();
    cameraController = new CameraController();
    std::srand(seed);
    world = new World();
    if (withGui) {
        gui = new GUI(world, cameraController);
        if (!gui->loadError().empty()) {
            error = gui->loadError();
            return false;
        }
    }
    last = timer->getTime();
    return true;
}

void Engine::simulationStep()
{
    if (!world || !world->evolver)
        return;
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
    std::puts(message);
    stopEvolution(*world);
    const core::stringw text(message);
    screenLog->writeLine(text.c_str());
    fastMode = false;
    if (gui)
        gui->showSetupPanel();
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
        for (VehicleSensor* sensor : vehicle->sensors)
            driver->draw3DLine(sensor->worldLine.start, sensor->worldLine.end, video::SColor(0xFFFF0000));
    world->updateHighlight();
    sceneManager->drawAll();
    guiEnvironment->drawAll();
    driver->endScene();
    last = timer->getTime();
}

void Engine::runLoop()
{
    while (device->run()) {
        if (terminationRequested) {
            device->closeDevice();
            continue;
        }
        const u32 now = timer->getTime();
        const bool due = frameDue(now, last);
        if (!due && !fastMode) {
            device->yield();
            continue;
        }
        if (!due) {
            undrawnStep(timer->getTime());
            continue;
        }
        simulationStep();
        drawFrame();
    }
}

void Engine::shutdown()
{
    if (device)
        device->setEventReceiver(nullptr);
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
}

int Engine::main()
{
    std::string error;
    core::dimension2du resolution;
    // The data files are tried in a child process before any window opens.
    bool ok = checkMediaFiles(error)
        && findDesktopResolution(resolution, error)
        && openDevice(video::EDT_OPENGL, resolution, true, error)
        && createScene(static_cast<unsigned>(std::time(nullptr)), true, error);
    if (!ok) {
        std::puts(error.c_str());
        shutdown();
        return 1;
    }

    // A terminated program still restores the desktop's video mode on its way out.
    std::signal(SIGTERM, onTerminate);
    std::signal(SIGINT, onTerminate);
    runLoop();
    shutdown();
    return 0;
}

} // namespace modules
