#pragma once

#include "world/ItemGrid.h"

#include <irrlicht.h>

#include <vector>

namespace modules {

class World;

// The items of one generation: small spheres that vehicles collect. A collected item is
// replaced at once, in the same slot, at a new random place. Item positions change only
// through this class, which keeps its grid of them up to date.
class ItemManager {
public:
    static constexpr float ITEM_RADIUS = 0.05f;
    static constexpr float COLLECT_DISTANCE = 0.2f;

    // What an item is to a vehicle that reaches it: food (the only kind item collection has),
    // poison, or a goal that stays where it is.
    enum Kind : unsigned char { FOOD, POISON, GOAL };
    static constexpr irr::u32 POISON_COLOR = 0xFFB000FF; // violet, apart from the food's grey and the red highlight
    static constexpr irr::u32 GOAL_COLOR = 0xFF00D040;
    static constexpr float GOAL_RADIUS = 0.2f;

    ItemManager(World* world, int count);
    // `count` items of which the first `poisonCount` are poison, each at a random place.
    ItemManager(World* world, int count, int poisonCount);
    // One goal at `position`; nothing is drawn.
    ItemManager(World* world, const irr::core::vector3df& goal);
    ~ItemManager();
    ItemManager(const ItemManager&) = delete;
    ItemManager& operator=(const ItemManager&) = delete;

    // Gives item `index` a new random position (creating its node when it has none yet).
    void placeItem(int index);
    // Moves item `index` to `position` (tests set up layouts with it).
    void moveItem(int index, const irr::core::vector3df& position);
    bool collectItem(const irr::core::vector3df& position);
    // Collects as collectItem does and says what was taken: the item's index, or -1.
    int takeItem(const irr::core::vector3df& position);
    Kind kindOf(int index) const { return kinds.empty() ? FOOD : kinds[static_cast<size_t>(index)]; }
    // The item that collectItem(position) would take, or -1.
    int itemInReach(const irr::core::vector3df& position) const;

    // visit(index, position) for at least every item that can lie within `distance` (in three
    // dimensions) of the segment `line`, in no particular order.
    template <typename Visit>
    void forEachItemNear(const irr::core::line3df& line, float distance, Visit&& visit) const
    {
        grid.forEachNearSegment(line.start.X, line.start.Z, line.end.X, line.end.Z, distance, visit);
    }

    const ItemGrid& itemGrid() const { return grid; }

    World* world;
    std::vector<irr::scene::ISceneNode*> items;
    // Each item's kind, in the order of `items`; empty when all are food.
    std::vector<Kind> kinds;

private:
    ItemGrid grid;
};

} // namespace modules
