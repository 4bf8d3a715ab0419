#include "world/ItemManager.h"

#include "core/Engine.h"
#include "core/Random.h"
#include "world/World.h"

using namespace irr;

namespace modules {

ItemManager::ItemManager(World* world, int count)
    : world(world)
{
    if (count <= 0)
        return;
    items.assign(static_cast<size_t>(count), nullptr);
    for (int i = 0; i < count; ++i)
        placeItem(i);
}

ItemManager::~ItemManager()
{
    for (scene::ISceneNode* item : items)
        item->remove();
}

void ItemManager::placeItem(int index)
{
    scene::ISceneNode* item = engine.sceneManager->addSphereSceneNode(ITEM_RADIUS, 4, nullptr, -1);
    items[static_cast<size_t>(index)] = item;
    const float x = fRand2() * world->arenaWidth * 0.5f;
    const float z = fRand2() * world->arenaDepth * 0.5f;
    item->setPosition(core::vector3df(x, ITEM_RADIUS, z));
}

bool ItemManager::collectItem(const core::vector3df& position)
{
    for (size_t i = 0; i < items.size(); ++i) {
        if (position.getDistanceFrom(items[i]->getPosition()) < COLLECT_DISTANCE) {
            items[i]->remove();
            placeItem(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

} // namespace modules
