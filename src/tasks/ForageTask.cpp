#include "tasks/ForageTask.h"

#include "tasks/CollectTask.h"
#include "vehicle/Vehicle.h"
#include "vehicle/VehicleSensor.h"
#include "world/ItemManager.h"
#include "world/World.h"

#include <cmath>

namespace modules {

ForageTask::ForageTask(const EvolutionParams& params)
    : poison(poisonCount(params.itemCount, params.poisonShare))
{
}

int ForageTask::poisonCount(int items, float share)
{
    if (items <= 0 || !(share > 0.0f))
        return 0;
    if (!(share < 1.0f))
        return items;
    return static_cast<int>(std::lround(static_cast<double>(share) * items));
}

const std::vector<std::string>& ForageTask::inputNames() const
{
    static const std::vector<std::string> names = {"left wall", "right wall",  "left food",
                                                   "right food", "left poison", "right poison"};
    return names;
}

ItemManager* ForageTask::makeItems(World& world) const
{
    return new ItemManager(&world, world.itemCount, poison);
}

irr::core::vector3df ForageTask::startPosition(const World& world) const
{
    return world.randomStart();
}

void ForageTask::sense(Vehicle& vehicle, std::vector<float>& inputs) const
{
    ItemManager* items = vehicle.itemManager;
    const int taken = items ? items->takeItem(vehicle.node->getPosition()) : -1;
    if (taken >= 0) {
        if (items->kindOf(taken) == ItemManager::POISON) {
            vehicle.fitness -= 1.0f;
            ++vehicle.tally.poison;
        } else {
            vehicle.fitness += 1.0f;
            ++vehicle.tally.food;
        }
    }
    senseWalls(vehicle, inputs);
    for (int s = 0; s < 2; ++s) {
        inputs[static_cast<size_t>(2 + s)] = vehicle.sensors[static_cast<size_t>(s)]->getItemProximity(items, ItemManager::FOOD);
        inputs[static_cast<size_t>(4 + s)] = vehicle.sensors[static_cast<size_t>(s)]->getItemProximity(items, ItemManager::POISON);
    }
}

std::vector<double> ForageTask::measures(const std::vector<Vehicle*>& vehicles) const
{
    const Vehicle* best = nullptr;
    double food = 0.0;
    double poisonTaken = 0.0;
    for (const Vehicle* vehicle : vehicles) {
        if (!best || vehicle->fitness > best->fitness)
            best = vehicle;
        food += vehicle->tally.food;
        poisonTaken += vehicle->tally.poison;
    }
    if (!best)
        return {0.0, 0.0, 0.0, 0.0};
    const double n = static_cast<double>(vehicles.size());
    return {static_cast<double>(best->tally.food), static_cast<double>(best->tally.poison), food / n, poisonTaken / n};
}

Behaviour ForageTask::behaviour(const Vehicle& vehicle) const
{
    return {static_cast<float>(vehicle.tally.food), static_cast<float>(vehicle.tally.poison)};
}

BehaviourSpace ForageTask::space(const EvolutionParams& params)
{
    const float food = 1.25f * params.generationTime;
    const float poison = 0.5f * params.generationTime;
    // Fitness is food less poison: within the space it is never below -poison.
    return {{"food", 0.0f, food}, {"poison", 0.0f, poison}, -poison};
}

} // namespace modules
