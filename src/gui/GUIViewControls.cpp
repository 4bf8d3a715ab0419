// The window's controls beyond the panel's buttons: the help, pause, step and speed keys,
// and the mouse on the arena (picking a vehicle, zoom and orbit of the overview).

#include "gui/GUI.h"

#include "core/Engine.h"
#include "gui/BehaviourMap.h"
#include "gui/CameraController.h"
#include "gui/FitnessChart.h"
#include "gui/NetworkView.h"
#include "gui/ScreenLog.h"
#include "gui/VehiclePicker.h"
#include "evolution/EvolutionRun.h"
#include "methods/MapElites.h"
#include "world/World.h"

#include <algorithm>
#include <cwchar>

using namespace irr;

namespace modules {

namespace {

bool isKey(const SEvent::SKeyInput& key, EKEY_CODE code, wchar_t character)
{
    return key.Key == code || (character != 0 && key.Char == character);
}

// Where the camera's ray through a screen point meets the floor, kept over the arena;
// false when the ray does not go down.
bool floorPoint(const core::position2di& screenPoint, float halfSize, core::vector3df& point)
{
    scene::ICameraSceneNode* camera = engine.sceneManager->getActiveCamera();
    if (!camera)
        return false;
    const core::line3df ray = engine.sceneManager->getSceneCollisionManager()->getRayFromScreenCoordinates(screenPoint, camera);
    const core::vector3df direction = ray.end - ray.start;
    if (!(direction.Y < 0.0f))
        return false;
    const float t = -ray.start.Y / direction.Y;
    point = ray.start + direction * t;
    point.X = std::clamp(point.X, -halfSize, halfSize);
    point.Z = std::clamp(point.Z, -halfSize, halfSize);
    point.Y = 0.0f;
    return true;
}

} // namespace

bool GUI::typing() const
{
    gui::IGUIElement* focus = engine.guiEnvironment->getFocus();
    return focus && focus->getType() == gui::EGUIET_EDIT_BOX && isUsable(focus);
}

bool GUI::coversArena(const core::position2di& point) const
{
    gui::IGUIElement* root = engine.guiEnvironment->getRootGUIElement();
    gui::IGUIElement* hit = root->getElementFromPoint(point);
    if (hit && hit != root)
        return true;
    const core::dimension2du screen = engine.driver->getScreenSize();
    gui::IGUIFont* font = engine.guiEnvironment->getSkin()->getFont();
    if (helpOverlay.shown && font && helpOverlay.area(font, screen).isPointInside(point))
        return true;
    if (mapShown && engine.behaviourMap && engine.behaviourMap->hasContent()
        && BehaviourMap::panelArea(screen).isPointInside(point))
        return true;
    if (!chartsShown)
        return false;
    if (world->run && FitnessChart::panelArea(screen).isPointInside(point))
        return true;
    return (cameraController->networkVehicle() || eliteOnPanel()) && NetworkView::panelArea(screen).isPointInside(point);
}

bool GUI::showElite(int cell)
{
    const auto* elites = world->run ? dynamic_cast<const MapElites*>(world->run->method.get()) : nullptr;
    if (!elites || cell < 0 || static_cast<size_t>(cell) >= elites->grid().size()
        || !elites->grid()[static_cast<size_t>(cell)].filled)
        return false;
    const std::unique_ptr<Brain> brain = elites->eliteBrain(cell);
    if (!brain)
        return false;
    const int n = elites->cellsPerAxis();
    ShownElite elite;
    elite.runId = world->run->runId;
    elite.cell = cell;
    elite.picture = brain->picture();
    wchar_t caption[96];
    std::swprintf(caption, 96, L"Elite of cell (%d, %d): fitness %g", cell % n, cell / n,
                  static_cast<double>(elites->grid()[static_cast<size_t>(cell)].fitness));
    elite.caption = caption;
    shownElite = std::move(elite);
    return true;
}

const GUI::ShownElite* GUI::eliteOnPanel() const
{
    return shownElite && world->run && world->run->runId == shownElite->runId ? &*shownElite : nullptr;
}

void GUI::pickAt(const core::position2di& point)
{
    const int index = pickVehicle(engine.sceneManager, world->vehicles, point);
    if (index < 0)
        return;
    shownElite.reset();
    cameraController->selectVehicle(world->vehicles[static_cast<size_t>(index)], index + 1);
    wchar_t line[64];
    std::swprintf(line, 64, L"Camera is now following vehicle %d.", index + 1);
    engine.screenLog->writeLine(line);
}

bool GUI::onViewEvent(const SEvent& event)
{
    if (event.EventType == EET_KEY_INPUT_EVENT) {
        const SEvent::SKeyInput& key = event.KeyInput;
        if (key.Key == KEY_F1) {
            if (key.PressedDown)
                helpOverlay.toggle();
            return true;
        }
        // Letters and signs typed into a box are the box's.
        if (typing() || key.Control)
            return false;
        const bool pause = isKey(key, KEY_KEY_P, 0);
        const bool step = isKey(key, KEY_KEY_N, 0);
        const bool faster = isKey(key, KEY_PLUS, L'+') || isKey(key, KEY_ADD, 0);
        const bool slower = isKey(key, KEY_MINUS, L'-') || isKey(key, KEY_SUBTRACT, 0);
        if (!pause && !step && !faster && !slower)
            return false;
        if (key.PressedDown) {
            if (pause && world->run)
                togglePause();
            else if (step && world->run)
                stepOnce();
            else if (faster || slower)
                changeSpeed(faster);
        }
        return true;
    }
    if (event.EventType != EET_MOUSE_INPUT_EVENT)
        return false;

    const SEvent::SMouseInput& mouse = event.MouseInput;
    const core::position2di point(mouse.X, mouse.Y);
    switch (mouse.Event) {
    case EMIE_LMOUSE_PRESSED_DOWN:
        // The click still reaches the GUI environment, which takes the focus off a box.
        if (world->run && !coversArena(point))
            pickAt(point);
        else if (world->run && mapShown && engine.behaviourMap
                 && engine.guiEnvironment->getRootGUIElement()->getElementFromPoint(point)
                     == engine.guiEnvironment->getRootGUIElement())
            showElite(engine.behaviourMap->cellAt(point, engine.driver->getScreenSize(),
                                                  engine.guiEnvironment->getSkin()->getFont()));
        return false;
    case EMIE_MOUSE_WHEEL:
        if (cameraController->inOverview() && !coversArena(point)) {
            core::vector3df target;
            if (!floorPoint(point, world->arenaWidth * 0.5f, target))
                target = cameraController->orbit.target();
            cameraController->orbit.zoom(mouse.Wheel, target);
            cameraController->applyOrbit();
            return true;
        }
        return false;
    case EMIE_RMOUSE_PRESSED_DOWN:
        orbiting = cameraController->inOverview() && !coversArena(point);
        dragFrom = point;
        return orbiting;
    case EMIE_MOUSE_MOVED:
        if (orbiting && mouse.isRightPressed() && cameraController->inOverview()) {
            cameraController->orbit.orbit(static_cast<float>(point.X - dragFrom.X), static_cast<float>(point.Y - dragFrom.Y));
            cameraController->applyOrbit();
            dragFrom = point;
        } else {
            orbiting = false;
        }
        return false;
    case EMIE_RMOUSE_LEFT_UP:
        orbiting = false;
        return false;
    default:
        return false;
    }
}

void GUI::togglePause()
{
    const bool paused = !engine.timeControl.paused();
    engine.timeControl.setPaused(paused);
    engine.screenLog->writeLine(paused ? L"Simulation paused." : L"Simulation resumed.");
    showTimeState();
}

void GUI::stepOnce()
{
    engine.timeControl.requestStep();
}

void GUI::changeSpeed(bool faster)
{
    if (!(faster ? engine.timeControl.faster() : engine.timeControl.slower()))
        return;
    wchar_t line[64];
    std::swprintf(line, 64, L"Speed: %dx real time.", engine.timeControl.speed());
    engine.screenLog->writeLine(line);
    showTimeState();
}

void GUI::showTimeState()
{
    pauseButton->setText(engine.timeControl.paused() ? L"Resume" : L"Pause");
    wchar_t text[64];
    std::swprintf(text, 64, L"Speed: %dx real time", engine.timeControl.speed());
    speedText->setText(text);
}

} // namespace modules
