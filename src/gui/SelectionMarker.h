#pragma once

#include <irrlicht.h>

namespace modules {

// The marker over a selected vehicle: a cyan square that always faces the camera, floating
// above the vehicle as its child (it goes with the vehicle's node). The best vehicle's
// highlight colours the body red instead, so both can be told apart on one vehicle.
constexpr irr::u32 SELECTION_MARKER_COLOR = 0xFF00FFFF;

irr::scene::ISceneNode* addSelectionMarker(irr::scene::ISceneNode* vehicleNode);

} // namespace modules
