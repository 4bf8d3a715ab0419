#pragma once

#include "gui/CameraOrbit.h"

#include <irrlicht.h>

namespace modules {

class Vehicle;

enum E_CAMERA_TYPE {
    ECT_TOP_DOWN = 0,
    ECT_FOLLOW_BEST = 1
};

// Moves the scene's one camera smoothly towards the pose that the camera mode asks for.
class CameraController {
public:
    CameraController();
    // Also ends a selection; the overview comes back in its fixed pose.
    void setCameraType(E_CAMERA_TYPE type);
    void updateCamera(float dt);

    // A vehicle picked in the arena: the camera follows it as it follows the best, and a
    // marker shows it. `number` counts from 1 in population order.
    void selectVehicle(Vehicle* vehicle, int number);
    // The camera goes back to its mode (the selection leaves cameraType alone).
    void endSelection();
    // The overview, free for the mouse: no selection and not following the best.
    bool inOverview() const { return cameraType == ECT_TOP_DOWN && !selectedVehicle; }
    // The vehicle whose network the network panel shows: the selected one, else the best
    // while the camera follows it; null when the panel is hidden.
    Vehicle* networkVehicle() const;
    // Zoom and orbit act at once, without the glide.
    void applyOrbit();

    irr::scene::ICameraSceneNode* camera = nullptr;
    E_CAMERA_TYPE cameraType = ECT_TOP_DOWN;
    irr::core::vector3df desiredPosition;
    irr::core::vector3df desiredTarget;
    Vehicle* followedVehicle = nullptr;
    Vehicle* selectedVehicle = nullptr;
    int selectedNumber = 0;
    CameraOrbit orbit;

private:
    irr::scene::ISceneNode* selectionMarker = nullptr;
};

} // namespace modules
