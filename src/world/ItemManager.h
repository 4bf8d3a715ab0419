#pragma once

#include <irrlicht.h>

#include <vector>

namespace modules {

class World;

// The items of one generation: small spheres that vehicles collect. A collected item is
// replaced at once, in the same slot, at a new random place.
class ItemManager {
public:
    static constexpr float ITEM_RADIUS = 0.05f;
    static constexpr float COLLECT_DISTANCE = 0.2f;

    ItemManager(World* world, int count);
    ~ItemManager();
    ItemManager(const ItemManager&) = delete;
    ItemManager& operator=(const ItemManager&) = delete;

    void placeItem(int index);
    bool collectItem(const irr::core::vector3df& position);

    World* world;
    std::vector<irr::scene::ISceneNode*> items;
};

} // namespace modules
