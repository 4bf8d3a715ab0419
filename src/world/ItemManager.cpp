#include "world/ItemManager.h"

#include "core/Engine.h"
#include "core/Random.h"
#include "world/World.h"

#include <cmath>

using namespace irr;

namespace modules {

namespace {

// A colour of its own that shows in any light: lit from within, the same from every side.
void paint(scene::ISceneNode* node, u32 color)
{
    video::SMaterial& material = node->getMaterial(0);
    material.EmissiveColor = video::SColor(color);
    material.AmbientColor = video::SColor(color);
    material.DiffuseColor = video::SColor(color);
}

} // namespace

ItemManager::ItemManager(World* world, int count)
    : world(world)
{
    grid.reset(world->arenaWidth, world->arenaDepth, count);
    if (count <= 0)
        return;
    items.assign(static_cast<size_t>(count), nullptr);
    for (int i = 0; i < count; ++i)
        placeItem(i);
}

ItemManager::ItemManager(World* world, int count, int poisonCount)
    : world(world)
{
    grid.reset(world->arenaWidth, world->arenaDepth, count);
    if (count <= 0)
        return;
    items.assign(static_cast<size_t>(count), nullptr);
    kinds.assign(static_cast<size_t>(count), FOOD);
    for (int i = 0; i < count; ++i) {
        if (i < poisonCount)
            kinds[static_cast<size_t>(i)] = POISON;
        placeItem(i);
    }
}

ItemManager::ItemManager(World* world, const core::vector3df& goal)
    : world(world)
{
    grid.reset(world->arenaWidth, world->arenaDepth, 1);
    scene::ISceneNode* node = engine.sceneManager->addSphereSceneNode(GOAL_RADIUS, 8, nullptr, -1);
    paint(node, GOAL_COLOR);
    items.push_back(node);
    kinds.push_back(GOAL);
    moveItem(0, core::vector3df(goal.X, GOAL_RADIUS, goal.Z));
}

ItemManager::~ItemManager()
{
    for (scene::ISceneNode* item : items)
        item->remove();
}

void ItemManager::placeItem(int index)
{
    scene::ISceneNode*& item = items[static_cast<size_t>(index)];
    // A collected item's node is moved rather than replaced by a new one: taking a node out
    // of the scene searches the scene's whole list of nodes, which with thousands of
    // vehicles and items cost more than the rest of a step, and left the replacements at the
    // end of that list, so that tearing the generation down grew with the square of its size.
    if (!item) {
        item = engine.sceneManager->addSphereSceneNode(ITEM_RADIUS, 4, nullptr, -1);
        if (kindOf(index) == POISON)
            paint(item, POISON_COLOR);
    }
    const float x = fRand2() * world->arenaWidth * 0.5f;
    const float z = fRand2() * world->arenaDepth * 0.5f;
    item->setPosition(core::vector3df(x, ITEM_RADIUS, z));
    grid.place(index, item->getPosition());
}

void ItemManager::moveItem(int index, const core::vector3df& position)
{
    items[static_cast<size_t>(index)]->setPosition(position);
    grid.place(index, position);
}

int ItemManager::itemInReach(const core::vector3df& position) const
{
    // The first in list order; the grid hands the items over in any order.
    int first = -1;
    // Items farther than the reach along either floor axis are out of reach (the slack is
    // far above rounding); only the rest take the exact distance.
    constexpr float boxReach = COLLECT_DISTANCE + 0.01f;
    grid.forEachNearPoint(position.X, position.Z, COLLECT_DISTANCE, [&](int index, const core::vector3df& q) {
        if (std::fabs(q.X - position.X) > boxReach || std::fabs(q.Z - position.Z) > boxReach)
            return;
        if ((first < 0 || index < first) && position.getDistanceFrom(q) < COLLECT_DISTANCE)
            first = index;
    });
    return first;
}

bool ItemManager::collectItem(const core::vector3df& position)
{
    return takeItem(position) >= 0;
}

int ItemManager::takeItem(const core::vector3df& position)
{
    const int first = itemInReach(position);
    if (first >= 0)
        placeItem(first);
    return first;
}

} // namespace modules
