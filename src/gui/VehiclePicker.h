#pragma once

#include <irrlicht.h>

#include <vector>

namespace modules {

class Vehicle;

// The vehicle under a point of the screen: the camera's ray through it against every
// vehicle's bounding box, through the engine's collision manager; the nearest hit wins.
// Its index in `vehicles` (population order), or -1 when the ray hits none.
int pickVehicle(irr::scene::ISceneManager* sceneManager, const std::vector<Vehicle*>& vehicles,
                const irr::core::position2di& screenPoint);

} // namespace modules
