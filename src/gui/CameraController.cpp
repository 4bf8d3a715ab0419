#include "gui/CameraController.h"

#include "core/Engine.h"
#include "gui/SelectionMarker.h"
#include "vehicle/Vehicle.h"

#include <cmath>

using namespace irr;

namespace modules {

namespace {

const core::vector3df OVERVIEW_POSITION(4.0f, 6.0f, 0.0f);
const core::vector3df OVERVIEW_TARGET(0.0f, 0.0f, 0.0f);
const core::vector3df FOLLOW_OFFSET(1.5f, 1.5f, 0.0f);
constexpr float TOLERANCE = 0.000001f;

bool near(const core::vector3df& a, const core::vector3df& b)
{
    return std::fabs(a.X - b.X) <= TOLERANCE && std::fabs(a.Y - b.Y) <= TOLERANCE
        && std::fabs(a.Z - b.Z) <= TOLERANCE;
}

} // namespace

CameraController::CameraController()
    : orbit(OVERVIEW_POSITION, OVERVIEW_TARGET, 4.5f)
{
    desiredPosition.set(0.0f, 0.0f, 0.0f);
    desiredTarget.set(0.0f, 0.0f, 0.0f);
    camera = engine.sceneManager->addCameraSceneNode(nullptr, core::vector3df(0, 0, 0),
                                                     core::vector3df(0, 0, 100), -1);
    camera->setNearValue(0.01f);
    camera->setFOV(1.2566371f);
    camera->setPosition(OVERVIEW_POSITION);
    camera->setTarget(OVERVIEW_TARGET);
    setCameraType(ECT_TOP_DOWN);
    followedVehicle = nullptr;
}

void CameraController::setCameraType(E_CAMERA_TYPE type)
{
    endSelection();
    cameraType = type;
    if (type == ECT_TOP_DOWN) {
        orbit.reset();
        desiredPosition = OVERVIEW_POSITION;
        desiredTarget = OVERVIEW_TARGET;
    }
}

void CameraController::selectVehicle(Vehicle* vehicle, int number)
{
    endSelection();
    if (!vehicle)
        return;
    selectedVehicle = vehicle;
    selectedNumber = number;
    selectionMarker = addSelectionMarker(vehicle->node);
}

void CameraController::endSelection()
{
    // Without a selection the desired pose stays as the camera mode left it.
    if (!selectedVehicle)
        return;
    if (selectionMarker)
        selectionMarker->remove();
    selectionMarker = nullptr;
    selectedVehicle = nullptr;
    selectedNumber = 0;
    if (cameraType == ECT_TOP_DOWN) {
        desiredPosition = orbit.position();
        desiredTarget = orbit.target();
    }
}

Vehicle* CameraController::networkVehicle() const
{
    if (selectedVehicle)
        return selectedVehicle;
    return cameraType == ECT_FOLLOW_BEST ? followedVehicle : nullptr;
}

void CameraController::applyOrbit()
{
    desiredPosition = orbit.position();
    desiredTarget = orbit.target();
    camera->setPosition(desiredPosition);
    camera->setTarget(desiredTarget);
}

void CameraController::updateCamera(float dt)
{
    if (selectedVehicle) {
        const core::vector3df p = selectedVehicle->node->getPosition();
        desiredTarget = p;
        desiredPosition = p + FOLLOW_OFFSET;
    } else if (cameraType == ECT_FOLLOW_BEST) {
        if (followedVehicle) {
            const core::vector3df p = followedVehicle->node->getPosition();
            desiredTarget = p;
            desiredPosition = p + FOLLOW_OFFSET;
        } else {
            desiredPosition = OVERVIEW_POSITION;
            desiredTarget = OVERVIEW_TARGET;
        }
    }

    const core::vector3df c = camera->getPosition();
    const core::vector3df t = camera->getTarget();
    if (near(c, desiredPosition) && near(t, desiredTarget))
        return;

    const float a = static_cast<float>(1.0 - 0.995 * static_cast<double>(dt));
    const float b = 1.0f - a;
    camera->setPosition(desiredPosition * b + c * a);
    camera->setTarget(desiredTarget * b + t * a);
}

} // namespace modules
