#pragma once

#include <irrlicht.h>

namespace modules {

class ItemManager;

// A straight feeler of fixed length attached to a vehicle's scene node. Readings grow from
// 0 at the tip to 1 at the vehicle; 0 means nothing sensed.
class VehicleSensor {
public:
    static constexpr float ITEM_SENSE_DISTANCE = 0.1f;

    VehicleSensor(irr::scene::ISceneNode* node, const irr::core::vector3df& start,
                  const irr::core::vector3df& direction, float length);

    // Recomputes worldLine from the node's last computed absolute transformation.
    void place();
    // Recomputes worldLine from the pose the node was last given, for a node the animation
    // pass has not seen yet (one at the scene's root, as a vehicle's).
    void placeAsPosed();
    // False until the first place(): worldLine is then a placeholder, not where the sensor is.
    bool isPlaced() const { return placed; }
    float getWallProximity(irr::scene::ITriangleSelector* wallSelector) const;
    float getItemProximity(const ItemManager* itemManager) const;
    // The item reading over the items of one kind only (food, poison), as getItemProximity
    // reads all of them.
    float getItemProximity(const ItemManager* itemManager, int kind) const;
    // The index of the item that the item reading follows, or -1 when none is sensed; with
    // `kind` not -1 only items of that kind count.
    int nearestItem(const ItemManager* itemManager, int kind = -1) const;

    irr::scene::ISceneNode* node;
    irr::core::line3df localLine;
    irr::core::line3df worldLine;

private:
    void placeWith(const irr::core::matrix4& transform);
    bool placed = false;
};

} // namespace modules
