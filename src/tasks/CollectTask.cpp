#include "tasks/CollectTask.h"

#include "vehicle/Vehicle.h"
#include "vehicle/VehicleSensor.h"
#include "world/ItemManager.h"
#include "world/World.h"

namespace modules {

Behaviour Task::behaviour(const Vehicle& vehicle) const
{
    const irr::core::vector3df position = vehicle.node->getPosition();
    return {position.X, position.Z};
}

BehaviourSpace floorSpace()
{
    const float halfWidth = World::ARENA_WIDTH / 2.0f;
    const float halfDepth = World::ARENA_DEPTH / 2.0f;
    return {{"final x", -halfWidth, halfWidth}, {"final z", -halfDepth, halfDepth}, 0.0f};
}

Behaviour CollectTask::behaviour(const Vehicle& vehicle) const
{
    const VehicleTally& tally = vehicle.tally;
    if (tally.movedSteps == 0)
        return {0.0f, 0.0f};
    return {static_cast<float>(tally.speedSum / tally.movedSteps), static_cast<float>(tally.turnSum / tally.movedSteps)};
}

BehaviourSpace CollectTask::space(const EvolutionParams&)
{
    return {{"mean speed", -1.0f, 1.0f}, {"mean turn", -1.0f, 1.0f}, 0.0f};
}

const std::vector<std::string>& CollectTask::inputNames() const
{
    static const std::vector<std::string> names = {"left wall", "right wall", "left item", "right item"};
    return names;
}

ItemManager* CollectTask::makeItems(World& world) const
{
    return new ItemManager(&world, world.itemCount);
}

irr::core::vector3df CollectTask::startPosition(const World& world) const
{
    return world.randomStart();
}

void senseWalls(Vehicle& vehicle, std::vector<float>& inputs)
{
    for (VehicleSensor* sensor : vehicle.sensors)
        sensor->place();
    inputs[0] = vehicle.sensors[0]->getWallProximity(vehicle.wallSelector);
    inputs[1] = vehicle.sensors[1]->getWallProximity(vehicle.wallSelector);
}

void CollectTask::sense(Vehicle& vehicle, std::vector<float>& inputs) const
{
    vehicle.collectAndSense(inputs);
}

} // namespace modules
