#pragma once

#include "tasks/Task.h"

namespace modules {

// Item collection: items scattered at random, one point for each one a vehicle reaches; the
// sensors read the nearest wall and the nearest item along their lines.
class CollectTask : public Task {
public:
    std::string name() const override { return "collect"; }
    const std::vector<std::string>& inputNames() const override;
    ItemManager* makeItems(World& world) const override;
    irr::core::vector3df startPosition(const World& world) const override;
    void sense(Vehicle& vehicle, std::vector<float>& inputs) const override;
};

// The readings every task's sensors begin with: the sensors placed, inputs 0 and 1 the two
// wall readings.
void senseWalls(Vehicle& vehicle, std::vector<float>& inputs);

} // namespace modules
