#pragma once

#include <irrlicht.h>

namespace modules {

// The overview camera's pose as the mouse moves it: the wheel zooms toward a point on the
// floor, a right-button drag turns the view around the arena's centre and tilts it. Every
// pose stays within limits that keep the arena in view. Reset gives the fixed overview.
class CameraOrbit {
public:
    static constexpr float MIN_DISTANCE = 1.5f;
    static constexpr float MAX_DISTANCE = 12.0f;
    static constexpr float MIN_ELEVATION = 0.45f;  // radians above the floor
    static constexpr float MAX_ELEVATION = 1.50f;
    static constexpr float ZOOM_STEP = 0.85f;      // distance kept per wheel notch
    static constexpr float RADIANS_PER_PIXEL = 0.008f;

    CameraOrbit(const irr::core::vector3df& position, const irr::core::vector3df& target, float arenaHalfSize);

    void reset();
    // `notches` > 0 zooms in toward `point` (on the floor), < 0 out, each by ZOOM_STEP.
    void zoom(float notches, const irr::core::vector3df& point);
    // A drag of dx, dy pixels: dx turns around the arena's vertical axis, dy tilts.
    void orbit(float dx, float dy);

    const irr::core::vector3df& position() const { return pos; }
    const irr::core::vector3df& target() const { return look; }

private:
    irr::core::vector3df homePosition, homeTarget;
    irr::core::vector3df pos, look;
    float halfSize;
};

} // namespace modules
