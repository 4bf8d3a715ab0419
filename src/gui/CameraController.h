#pragma once

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
    void setCameraType(E_CAMERA_TYPE type);
    void updateCamera(float dt);

    irr::scene::ICameraSceneNode* camera = nullptr;
    E_CAMERA_TYPE cameraType = ECT_TOP_DOWN;
    irr::core::vector3df desiredPosition;
    irr::core::vector3df desiredTarget;
    Vehicle* followedVehicle = nullptr;
};

} // namespace modules
