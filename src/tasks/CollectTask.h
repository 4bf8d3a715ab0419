#pragma once

#include "evolution/EvolutionParams.h"
#include "tasks/Task.h"

namespace modules {

// Item collection: items scattered at random, one point for each one a vehicle reaches; the
// sensors read the nearest wall and the nearest item along their lines. A vehicle's behaviour
// is how it drove: its mean speed command (backwards -1 to forwards 1) and its mean turn
// command (-1 to 1), over the steps it moved; where it ended says little in an arena whose
// items lie anywhere.
class CollectTask : public Task {
public:
    std::string name() const override { return "collect"; }
    const std::vector<std::string>& inputNames() const override;
    ItemManager* makeItems(World& world) const override;
    irr::core::vector3df startPosition(const World& world) const override;
    void sense(Vehicle& vehicle, std::vector<float>& inputs) const override;
    Behaviour behaviour(const Vehicle& vehicle) const override;
    static BehaviourSpace space(const EvolutionParams& params);
};

// The arena's floor, for behaviours that are where a vehicle ended.
BehaviourSpace floorSpace();

// The readings every task's sensors begin with: the sensors placed, inputs 0 and 1 the two
// wall readings.
void senseWalls(Vehicle& vehicle, std::vector<float>& inputs);

} // namespace modules
