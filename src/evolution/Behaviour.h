#pragma once

#include <vector>

namespace modules {

// What a vehicle did in its generation, in two numbers of its task's choosing (where it
// ended, how it drove, what it ate). Methods that search for new behaviour get it scaled to
// [0, 1] on each axis over the task's BehaviourSpace, so they know nothing of tasks.
struct Behaviour {
    float x = 0.0f;
    float y = 0.0f;
};

struct BehaviourAxis {
    const char* name; // "final x", "food"
    float low;
    float high;
};

// The range a task's behaviours are mapped over; values beyond it count as its edge.
struct BehaviourSpace {
    BehaviourAxis x;
    BehaviourAxis y;
    // The least fitness a vehicle inside the space can have: zero of the QD-score.
    float lowestFitness = 0.0f;
};

// `raw` scaled to [0, 1] on each axis over `space`, clamped to it; NaN counts as the low edge.
Behaviour scaledBehaviour(const Behaviour& raw, const BehaviourSpace& space);
// Squared distance between two behaviours.
inline float squaredDistance(const Behaviour& a, const Behaviour& b)
{
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    return dx * dx + dy * dy;
}

} // namespace modules
