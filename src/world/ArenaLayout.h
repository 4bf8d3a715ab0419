#pragma once

#include <irrlicht.h>

namespace modules {

class ItemManager;
class World;

// How a generation is laid out when a run's task lays it out otherwise than item collection:
// its items and where each vehicle starts.
class ArenaLayout {
public:
    virtual ~ArenaLayout() = default;
    // A generation's items, made before its vehicles.
    virtual ItemManager* makeItems(World& world) const = 0;
    // Where the next vehicle starts (with the draws that takes) and which way it faces, in
    // degrees about the vertical.
    virtual irr::core::vector3df startPosition(const World& world) const = 0;
    virtual float startHeading() const { return 0.0f; }
};

} // namespace modules
