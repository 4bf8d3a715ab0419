#include "evolution/Behaviour.h"

namespace modules {

namespace {

float scaled(float value, const BehaviourAxis& axis)
{
    const float span = axis.high - axis.low;
    const float t = span > 0.0f ? (value - axis.low) / span : 0.0f;
    if (!(t > 0.0f)) // NaN too
        return 0.0f;
    return t < 1.0f ? t : 1.0f;
}

} // namespace

Behaviour scaledBehaviour(const Behaviour& raw, const BehaviourSpace& space)
{
    return {scaled(raw.x, space.x), scaled(raw.y, space.y)};
}

} // namespace modules
