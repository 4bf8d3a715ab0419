#include "vehicle/VehicleSensor.h"

#include "core/Engine.h"
#include "world/ItemManager.h"

using namespace irr;

namespace modules {

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
    if (!itemManager)
        return 0.0f;
    const core::vector3df& start = worldLine.start;
    const core::vector3df& end = worldLine.end;
    const float length = worldLine.getLength();
    core::vector3df unit = worldLine.getVector();
    unit.normalize();

    // Of the items close to the segment, the one nearest to the vehicle counts; of equally
    // near ones, the first in the list.
    bool found = false;
    core::vector3df chosen;
    float bestSquared = 100000.0f;
    for (const scene::ISceneNode* item : itemManager->items) {
        const core::vector3df q = item->getPosition();
        const float t = (q - start).dotProduct(unit);
        const core::vector3df closest = t < 0.0f ? start : (t > length ? end : start + unit * t);
        if (!(closest.getDistanceFrom(q) < ITEM_SENSE_DISTANCE))
            continue;
        const float squared = q.getDistanceFromSQ(start);
        if (!found) {
            chosen = q;
            found = true;
        }
        if (squared < bestSquared) {
            bestSquared = squared;
            chosen = q;
        }
    }
    if (!found)
        return 0.0f;
    return chosen.getDistanceFrom(end) / localLine.getLength();
}

} // namespace modules
