#pragma once

#include "evolution/EvolutionParams.h"
#include "tasks/Task.h"

namespace modules {

// Foraging with poison: food scores +1, poison -1; each sensor reads the nearest wall, the
// nearest food and the nearest poison along its line. A taken item reappears at a random
// place and stays of its kind, so the share of poison holds all generation.
class ForageTask : public Task {
public:
    explicit ForageTask(const EvolutionParams& params);

    std::string name() const override { return "forage"; }
    const std::vector<std::string>& inputNames() const override;
    ItemManager* makeItems(World& world) const override;
    irr::core::vector3df startPosition(const World& world) const override;
    void sense(Vehicle& vehicle, std::vector<float>& inputs) const override;
    // The fittest vehicle's food and poison, and the generation's means.
    std::vector<double> measures(const std::vector<Vehicle*>& vehicles) const override;

    // Food and poison taken: over 0 to 1.25 and 0 to 0.5 items per second of the generation,
    // a little beyond what the best runs reach.
    Behaviour behaviour(const Vehicle& vehicle) const override;
    static BehaviourSpace space(const EvolutionParams& params);

    // Of `items`, how many are poison at `share`.
    static int poisonCount(int items, float share);

private:
    int poison;
};

} // namespace modules
