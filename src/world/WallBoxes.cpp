#include "world/WallBoxes.h"

#include <algorithm>
#include <cmath>

using namespace irr;

namespace modules {

WallBoxes::WallBoxes(scene::ITriangleSelector* selector)
{
    if (!selector)
        return;
    const s32 total = selector->getTriangleCount();
    if (total <= 0)
        return;
    std::vector<core::triangle3df> triangles(static_cast<size_t>(total));
    s32 count = 0;
    selector->getTriangles(triangles.data(), total, count, nullptr);
    for (s32 i = 0; i < count; ++i) {
        const core::triangle3df& t = triangles[static_cast<size_t>(i)];
        const float xs[] = {t.pointA.X, t.pointB.X, t.pointC.X};
        const float zs[] = {t.pointA.Z, t.pointB.Z, t.pointC.Z};
        for (float v : xs)
            if (!std::isfinite(v))
                return;
        for (float v : zs)
            if (!std::isfinite(v))
                return;
        boxes.push_back(Box{*std::min_element(xs, xs + 3) - MARGIN, *std::max_element(xs, xs + 3) + MARGIN,
                            *std::min_element(zs, zs + 3) - MARGIN, *std::max_element(zs, zs + 3) + MARGIN});
    }
    known = count == total;
}

bool WallBoxes::mayCross(const core::line3df& line) const
{
    if (!known)
        return true;
    const float minX = std::min(line.start.X, line.end.X);
    const float maxX = std::max(line.start.X, line.end.X);
    const float minZ = std::min(line.start.Z, line.end.Z);
    const float maxZ = std::max(line.start.Z, line.end.Z);
    // Written so that NaN lands on the side of asking the engine.
    if (!(minX >= -QUERY_LIMIT && maxX <= QUERY_LIMIT && minZ >= -QUERY_LIMIT && maxZ <= QUERY_LIMIT))
        return true;
    for (const Box& box : boxes)
        if (!(maxX < box.minX || minX > box.maxX || maxZ < box.minZ || minZ > box.maxZ))
            return true;
    return false;
}

} // namespace modules
