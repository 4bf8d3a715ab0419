#include "gui/CameraOrbit.h"

#include <algorithm>
#include <cmath>

using namespace irr;

namespace modules {

CameraOrbit::CameraOrbit(const core::vector3df& position, const core::vector3df& target, float arenaHalfSize)
    : homePosition(position)
    , homeTarget(target)
    , pos(position)
    , look(target)
    , halfSize(arenaHalfSize)
{
}

void CameraOrbit::reset()
{
    pos = homePosition;
    look = homeTarget;
}

void CameraOrbit::zoom(float notches, const core::vector3df& point)
{
    if (!std::isfinite(notches) || notches == 0.0f)
        return;
    const float distance = (pos - look).getLength();
    const float wanted = std::clamp(distance * std::pow(ZOOM_STEP, notches), MIN_DISTANCE, MAX_DISTANCE);
    if (!(distance > 0.0f) || wanted == distance)
        return;
    // Scaling the whole pose about the point keeps that point under the cursor.
    const float s = wanted / distance;
    core::vector3df p(point.X, look.Y, point.Z);
    core::vector3df newLook = p + (look - p) * s;
    const core::vector3df offset = (pos - look) * s;
    // The point looked at stays over the arena.
    newLook.X = std::clamp(newLook.X, -halfSize, halfSize);
    newLook.Z = std::clamp(newLook.Z, -halfSize, halfSize);
    look = newLook;
    pos = look + offset;
}

void CameraOrbit::orbit(float dx, float dy)
{
    if (!std::isfinite(dx) || !std::isfinite(dy))
        return;
    // Around the vertical axis through the arena's centre: the whole pose turns.
    const float yaw = dx * RADIANS_PER_PIXEL;
    const float c = std::cos(yaw), s = std::sin(yaw);
    const auto turn = [c, s](const core::vector3df& v) {
        return core::vector3df(v.X * c - v.Z * s, v.Y, v.X * s + v.Z * c);
    };
    look = turn(look);
    pos = turn(pos);

    // Tilting changes the view's height over the point looked at, within limits.
    const core::vector3df offset = pos - look;
    const float distance = offset.getLength();
    const float flat = std::sqrt(offset.X * offset.X + offset.Z * offset.Z);
    if (!(distance > 0.0f))
        return;
    const float elevation = std::clamp(std::atan2(offset.Y, flat) + dy * RADIANS_PER_PIXEL, MIN_ELEVATION, MAX_ELEVATION);
    const float heading = std::atan2(offset.Z, offset.X);
    pos = look + core::vector3df(std::cos(elevation) * std::cos(heading), std::sin(elevation),
                                 std::cos(elevation) * std::sin(heading)) * distance;
}

} // namespace modules
