#include "vehicle/VehicleSensor.h"

#include "core/Engine.h"
#include "world/ItemManager.h"
#include "world/World.h"

#include <cmath>

using namespace irr;

namespace modules {

namespace {

// The floor band's margin, and where it applies: lines of some length on the floor, with
// coordinates small enough that float rounding stays far below the margin.
constexpr float BAND_MARGIN = 0.01f;
constexpr float BAND_MIN_LENGTH = 0.001f;
constexpr float BAND_LIMIT = 1000.0f;

} // namespace

VehicleSensor::VehicleSensor(scene::ISceneNode* node, const core::vector3df& start,
                             const core::vector3df& direction, float length)
    : node(node)
{
    core::vector3df unit = direction;
    unit.normalize(); // a zero direction stays zero
    localLine.setLine(start, start + unit * length);
    worldLine.setLine(core::vector3df(0, 0, 0), core::vector3df(1, 1, 1));
}

void VehicleSensor::place()
{
    placeWith(node->getAbsoluteTransformation());
}

void VehicleSensor::placeAsPosed()
{
    placeWith(node->getRelativeTransformation());
}

void VehicleSensor::placeWith(const core::matrix4& transform)
{
    core::vector3df start = localLine.start;
    core::vector3df end = localLine.end;
    transform.transformVect(start);
    transform.transformVect(end);
    worldLine.setLine(start, end);
    placed = true;
}

float VehicleSensor::getWallProximity(scene::ITriangleSelector* wallSelector) const
{
    if (!wallSelector)
        return 0.0f;
    // Most lines are nowhere near a wall, and the engine's query is the dearest part of sensing.
    if (engine.world && engine.world->wallSelector == wallSelector && !engine.world->wallBoxes.mayCross(worldLine))
        return 0.0f;
    core::vector3df point(0, 0, 0);
    core::triangle3df triangle;
    scene::ISceneNode* hitNode = nullptr;
    if (!engine.sceneManager->getSceneCollisionManager()->getCollisionPoint(worldLine, wallSelector, point,
                                                                            triangle, hitNode))
        return 0.0f;
    return point.getDistanceFrom(worldLine.end) / localLine.getLength();
}

float VehicleSensor::getItemProximity(const ItemManager* itemManager) const
{
    return getItemProximity(itemManager, -1);
}

float VehicleSensor::getItemProximity(const ItemManager* itemManager, int kind) const
{
    if (!itemManager)
        return 0.0f;
    const int chosen = nearestItem(itemManager, kind);
    if (chosen < 0)
        return 0.0f;
    const core::vector3df q = itemManager->items[static_cast<size_t>(chosen)]->getPosition();
    return q.getDistanceFrom(worldLine.end) / localLine.getLength();
}

int VehicleSensor::nearestItem(const ItemManager* itemManager, int kind) const
{
    const core::vector3df& start = worldLine.start;
    const core::vector3df& end = worldLine.end;
    const float length = worldLine.getLength();
    core::vector3df unit = worldLine.getVector();
    unit.normalize();

    // Of the items close to the segment, the one nearest to the vehicle counts; of equally
    // near ones, the first in the list. The item manager hands over the items that can be
    // close in no particular order, so the choice is made order-free, as a scan in list order
    // with a running best of 100000 would make it: the smallest squared distance below that
    // bound and of those the lowest index; with none below it, the lowest index of all.
    //
    // Before the exact test, a cheap one on the floor plane rules out most items: an item
    // within the sensing distance in three dimensions is within it on the floor too, so it
    // lies in the band around the line's floor projection. The band is widened by a margin
    // far above the rounding of either test; without a usable projection it is not used.
    const float flatX = end.X - start.X;
    const float flatZ = end.Z - start.Z;
    const float flatLength = std::sqrt(flatX * flatX + flatZ * flatZ);
    const bool useBand = flatLength > BAND_MIN_LENGTH && std::fabs(start.X) <= BAND_LIMIT &&
                         std::fabs(start.Z) <= BAND_LIMIT && std::fabs(end.X) <= BAND_LIMIT &&
                         std::fabs(end.Z) <= BAND_LIMIT;
    const float acrossX = useBand ? flatX / flatLength : 0.0f;
    const float acrossZ = useBand ? flatZ / flatLength : 0.0f;
    constexpr float bandReach = ITEM_SENSE_DISTANCE + BAND_MARGIN;

    int first = -1;
    int best = -1;
    float bestSquared = 100000.0f;
    itemManager->forEachItemNear(worldLine, ITEM_SENSE_DISTANCE, [&](int index, const core::vector3df& q) {
        if (kind >= 0 && itemManager->kindOf(index) != kind)
            return;
        if (useBand) {
            const float dx = q.X - start.X;
            const float dz = q.Z - start.Z;
            const float along = dx * acrossX + dz * acrossZ;
            const float across = dx * acrossZ - dz * acrossX;
            if (std::fabs(across) > bandReach || along < -bandReach || along > flatLength + bandReach)
                return;
        }
        const float t = (q - start).dotProduct(unit);
        const core::vector3df closest = t < 0.0f ? start : (t > length ? end : start + unit * t);
        if (!(closest.getDistanceFrom(q) < ITEM_SENSE_DISTANCE))
            return;
        if (first < 0 || index < first)
            first = index;
        const float squared = q.getDistanceFromSQ(start);
        if (squared < bestSquared || (squared == bestSquared && best >= 0 && index < best)) {
            bestSquared = squared;
            best = index;
        }
    });
    return best >= 0 ? best : first;
}

} // namespace modules
