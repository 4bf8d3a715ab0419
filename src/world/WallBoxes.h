#pragma once

#include <irrlicht.h>

#include <vector>

namespace modules {

// The floor plan of the walls: the box of every wall triangle on the X-Z plane, widened by a
// margin. A sensor line whose own box meets none of them cannot cross a wall, so its wall
// reading is 0 without asking the engine's collision manager, the dearest part of sensing.
class WallBoxes {
public:
    // Far more than the engine's rounding when it places a crossing on a line and in a
    // triangle; lines beyond QUERY_LIMIT always go to the engine.
    static constexpr float MARGIN = 0.01f;
    static constexpr float QUERY_LIMIT = 1000.0f;

    WallBoxes() = default;
    // The triangles of `selector` as it hands them out (in world space), or none at all.
    explicit WallBoxes(irr::scene::ITriangleSelector* selector);

    // False only when `line` certainly crosses no triangle: lines that are not finite or
    // lie far out, and walls that were not read, give true.
    bool mayCross(const irr::core::line3df& line) const;

private:
    struct Box {
        float minX, maxX, minZ, maxZ;
    };
    bool known = false;
    std::vector<Box> boxes;
};

} // namespace modules
