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
