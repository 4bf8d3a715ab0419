// Picking a vehicle with the mouse, headless: the nearest box under the cursor wins, the
// camera follows the selected vehicle and the network panel names it, clicks on the panel
// or on empty floor pick nothing, the camera buttons and the end of the generation end the
// selection. And the overview's zoom and orbit within their limits.

#include "TestEngine.h"
#include "SyntheticEvents.h"

#include "evolution/EvolutionRun.h"
#include "gui/CameraController.h"
#include "gui/GUI.h"
#include "gui/GUIElementIDs.h"
#include "gui/ScreenLog.h"
#include "gui/SelectionCaption.h"
#include "gui/VehiclePicker.h"
#include "vehicle/Vehicle.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

using modules::engine;
using modules::Vehicle;
using namespace irr;

namespace {

// Where the ray first enters the vehicle's box (slab method in the node's own frame),
// or infinity: an oracle independent of the engine's collision code.
float entry(const Vehicle* vehicle, const core::line3df& ray)
{
    core::matrix4 inverse;
    if (!vehicle->node->getAbsoluteTransformation().getInverse(inverse))
        return std::numeric_limits<float>::infinity();
    core::vector3df start = ray.start, end = ray.end;
    inverse.transformVect(start);
    inverse.transformVect(end);
    const core::aabbox3df& box = vehicle->node->getBoundingBox();
    float near = 0.0f, far = 1.0f;
    const float s[3] = {start.X, start.Y, start.Z}, e[3] = {end.X, end.Y, end.Z};
    const float lo[3] = {box.MinEdge.X, box.MinEdge.Y, box.MinEdge.Z};
    const float hi[3] = {box.MaxEdge.X, box.MaxEdge.Y, box.MaxEdge.Z};
    for (int a = 0; a < 3; ++a) {
        const float d = e[a] - s[a];
        if (std::fabs(d) < 1e-12f) {
            if (s[a] < lo[a] || s[a] > hi[a])
                return std::numeric_limits<float>::infinity();
            continue;
        }
        float t0 = (lo[a] - s[a]) / d, t1 = (hi[a] - s[a]) / d;
        if (t0 > t1)
            std::swap(t0, t1);
        near = std::max(near, t0);
        far = std::min(far, t1);
        if (near > far)
            return std::numeric_limits<float>::infinity();
    }
    return near;
}

class VehicleSelection : public testing_support::NullEngineTest {
protected:
    void SetUp() override
    {
        startEngine(7, true);
        modules::EvolutionParams p;
        p.generationTime = 1000.0f;
        p.populationSize = 12;
        modules::startEvolution(p, *engine.world);
        engine.gui->showRunningPanel();
        engine.drawFrame(); // places every node where it is drawn
    }

    modules::CameraController& camera() { return *engine.cameraController; }
    std::vector<Vehicle*>& vehicles() { return engine.world->vehicles; }

    core::position2di onScreen(const Vehicle* vehicle)
    {
        return engine.sceneManager->getSceneCollisionManager()->getScreenCoordinatesFrom3DPosition(
            vehicle->node->getAbsolutePosition(), camera().camera);
    }

    void click(const core::position2di& at)
    {
        engine.device->postEventFromUser(testing_support::mouseEvent(EMIE_LMOUSE_PRESSED_DOWN, at));
        engine.device->postEventFromUser(testing_support::mouseEvent(EMIE_LMOUSE_LEFT_UP, at));
    }

    core::vector3df floorUnder(const core::position2di& at)
    {
        const core::line3df ray = engine.sceneManager->getSceneCollisionManager()->getRayFromScreenCoordinates(at, camera().camera);
        const core::vector3df d = ray.end - ray.start;
        return ray.start + d * (-ray.start.Y / d.Y);
    }

    std::wstring newestLogLine() { return engine.screenLog->lines[0]->getText(); }
};

TEST_F(VehicleSelection, TheNearestBoxUnderTheCursorWins)
{
    // Two vehicles one behind the other as the overview camera (over +X) sees them: the
    // first in population order is the farther.
    vehicles()[0]->node->setPosition(core::vector3df(-0.6f, 0.0f, 0.0f));
    vehicles()[1]->node->setPosition(core::vector3df(-0.45f, 0.0f, 0.0f));
    engine.drawFrame();

    scene::ISceneCollisionManager* collision = engine.sceneManager->getSceneCollisionManager();
    int hits = 0, contested = 0;
    for (const Vehicle* vehicle : std::vector<Vehicle*>(vehicles())) {
        const core::position2di centre = onScreen(vehicle);
        for (int dy = -12; dy <= 12; dy += 3)
            for (int dx = -12; dx <= 12; dx += 3) {
                const core::position2di at(centre.X + dx, centre.Y + dy);
                const core::line3df ray = collision->getRayFromScreenCoordinates(at, camera().camera);
                int nearest = -1, boxesHit = 0;
                float best = std::numeric_limits<float>::infinity();
                for (size_t i = 0; i < vehicles().size(); ++i) {
                    const float t = entry(vehicles()[i], ray);
                    if (std::isfinite(t)) {
                        ++boxesHit;
                        if (t < best) {
                            best = t;
                            nearest = static_cast<int>(i);
                        }
                    }
                }
                EXPECT_EQ(modules::pickVehicle(engine.sceneManager, vehicles(), at), nearest)
                    << "at " << at.X << "," << at.Y;
                hits += nearest >= 0;
                contested += boxesHit > 1;
            }
    }
    EXPECT_GT(hits, 100);
    EXPECT_GT(contested, 5) << "the two vehicles in line should overlap on screen";
}

TEST_F(VehicleSelection, AClickSelectsTheCameraFollowsAndTheGenerationEndsIt)
{
    camera().setCameraType(modules::ECT_FOLLOW_BEST);
    const int nodesBefore = testing_support::countNodes(engine.sceneManager->getRootSceneNode());
    // The vehicle with most room around it on screen.
    size_t chosen = 0;
    int room = -1;
    for (size_t i = 0; i < vehicles().size(); ++i) {
        int nearest = 1 << 30;
        for (size_t j = 0; j < vehicles().size(); ++j)
            if (j != i)
                nearest = std::min(nearest, onScreen(vehicles()[i]).getDistanceFromSQ(onScreen(vehicles()[j])));
        if (nearest > room) {
            room = nearest;
            chosen = i;
        }
    }
    Vehicle* picked = vehicles()[chosen];
    picked->fitness = 3.0f;
    click(onScreen(picked));
    const std::wstring expected = L"Camera is now following vehicle " + std::to_wstring(chosen + 1) + L".";
    EXPECT_EQ(newestLogLine(), expected);
    EXPECT_EQ(camera().selectedVehicle, picked);
    EXPECT_EQ(camera().networkVehicle(), picked);
    EXPECT_EQ(modules::selectionCaption(camera().selectedNumber, picked->fitness),
              L"Vehicle " + std::to_wstring(chosen + 1) + L": 3 items");
    EXPECT_EQ(testing_support::countNodes(engine.sceneManager->getRootSceneNode()), nodesBefore + 1)
        << "one marker over the selected vehicle";
    for (int i = 0; i < 1500; ++i)
        camera().updateCamera(modules::Engine::SIMULATION_STEP);
    engine.drawFrame();
    EXPECT_LT(camera().camera->getTarget().getDistanceFrom(picked->node->getPosition()), 1e-3f);

    // The panel's windows are not the arena: a click on the run window picks nothing. It
    // lands beside the buttons, which would act on it.
    const core::rect<s32> runArea = engine.gui->runWindow->getAbsolutePosition();
    const core::position2di onRunWindow(runArea.LowerRightCorner.X - 5, runArea.getCenter().Y);
    const size_t other = (chosen + 1) % vehicles().size();
    vehicles()[other]->node->setPosition(floorUnder(onRunWindow));
    vehicles()[other]->node->updateAbsolutePosition();
    ASSERT_EQ(modules::pickVehicle(engine.sceneManager, vehicles(), onRunWindow), static_cast<int>(other));
    click(onRunWindow);
    EXPECT_EQ(newestLogLine(), expected);

    // The generation's end ends the selection; the camera mode is the one it had.
    modules::runGenerationCycle(*engine.world);
    EXPECT_EQ(camera().selectedVehicle, nullptr);
    EXPECT_EQ(camera().cameraType, modules::ECT_FOLLOW_BEST);
    EXPECT_EQ(testing_support::countNodes(engine.sceneManager->getRootSceneNode()), nodesBefore);
}

TEST_F(VehicleSelection, CameraButtonsEndTheSelection)
{
    engine.drawFrame();
    camera().selectVehicle(vehicles()[2], 3);
    engine.device->postEventFromUser(testing_support::guiEvent(
        gui::EGET_BUTTON_CLICKED, modules::GUIElementIDs::getElementFromID(modules::GUIElementIDs::FOLLOW_CAMERA_BUTTON, nullptr)));
    EXPECT_EQ(camera().selectedVehicle, nullptr);
    EXPECT_EQ(camera().cameraType, modules::ECT_FOLLOW_BEST);
    camera().selectVehicle(vehicles()[2], 3);
    engine.device->postEventFromUser(testing_support::guiEvent(
        gui::EGET_BUTTON_CLICKED, modules::GUIElementIDs::getElementFromID(modules::GUIElementIDs::TOP_DOWN_CAMERA_BUTTON, nullptr)));
    EXPECT_EQ(camera().selectedVehicle, nullptr);
    EXPECT_EQ(camera().cameraType, modules::ECT_TOP_DOWN);
}

TEST_F(VehicleSelection, WheelZoomsTowardTheCursorAndTheOrbitKeepsItsLimits)
{
    scene::ISceneCollisionManager* collision = engine.sceneManager->getSceneCollisionManager();
    const core::position2di cursor(300, 250);
    const core::line3df ray = collision->getRayFromScreenCoordinates(cursor, camera().camera);
    const core::vector3df d = ray.end - ray.start;
    const core::vector3df floorPoint = ray.start + d * (-ray.start.Y / d.Y);

    SEvent wheel = testing_support::mouseEvent(EMIE_MOUSE_WHEEL, cursor);
    wheel.MouseInput.Wheel = 1.0f;
    engine.device->postEventFromUser(wheel);
    const float distance = camera().camera->getPosition().getDistanceFrom(camera().camera->getTarget());
    EXPECT_NEAR(distance, std::sqrt(52.0f) * modules::CameraOrbit::ZOOM_STEP, 1e-3f);
    camera().camera->updateAbsolutePosition();
    camera().camera->render();
    const core::position2di after = collision->getScreenCoordinatesFrom3DPosition(floorPoint, camera().camera);
    EXPECT_LE(std::abs(after.X - cursor.X) + std::abs(after.Y - cursor.Y), 2) << "the point under the cursor stays";

    for (int i = 0; i < 50; ++i)
        engine.device->postEventFromUser(wheel);
    EXPECT_NEAR(camera().camera->getPosition().getDistanceFrom(camera().camera->getTarget()),
                modules::CameraOrbit::MIN_DISTANCE, 1e-3f);
    wheel.MouseInput.Wheel = -1.0f;
    for (int i = 0; i < 80; ++i)
        engine.device->postEventFromUser(wheel);
    EXPECT_NEAR(camera().camera->getPosition().getDistanceFrom(camera().camera->getTarget()),
                modules::CameraOrbit::MAX_DISTANCE, 1e-3f);

    // A long right-button drag upwards tilts no lower than the limit, and the target stays over the arena.
    const core::position2di from(600, 400);
    engine.device->postEventFromUser(testing_support::mouseEvent(EMIE_RMOUSE_PRESSED_DOWN, from));
    SEvent move = testing_support::mouseEvent(EMIE_MOUSE_MOVED, core::position2di(900, -2000));
    move.MouseInput.ButtonStates = EMBSM_RIGHT;
    engine.device->postEventFromUser(move);
    const core::vector3df offset = camera().camera->getPosition() - camera().camera->getTarget();
    const float elevation = std::atan2(offset.Y, std::sqrt(offset.X * offset.X + offset.Z * offset.Z));
    EXPECT_NEAR(elevation, modules::CameraOrbit::MIN_ELEVATION, 1e-3f);
    EXPECT_LE(std::fabs(camera().camera->getTarget().X), 4.5f);
    EXPECT_LE(std::fabs(camera().camera->getTarget().Z), 4.5f);

    // Top-down camera: back to the fixed overview.
    camera().setCameraType(modules::ECT_TOP_DOWN);
    EXPECT_EQ(camera().desiredPosition, core::vector3df(4.0f, 6.0f, 0.0f));
    EXPECT_EQ(camera().desiredTarget, core::vector3df(0.0f, 0.0f, 0.0f));
}

} // namespace
