#pragma once

#include "brain/Brain.h"
#include "brain/NeuralNetwork.h"
#include "vehicle/VehicleRules.h"

#include <irrlicht.h>

#include <memory>
#include <vector>

namespace modules {

class ItemManager;
class VehicleSensor;

// What a vehicle has done in its generation beyond its fitness, for the tasks that count it.
struct VehicleTally {
    int food = 0;
    int poison = 0;
    bool arrived = false; // reached the maze's goal
    // The commands it drove by, summed over the steps it moved: speed and turn, each -1 to 1.
    double speedSum = 0.0;
    double turnSum = 0.0;
    int movedSteps = 0;
};

// One member of a generation: a mesh in the arena steered by a brain of its own, its copy of
// a layered network or, for methods that breed other kinds, the brain it was given.
class Vehicle {
public:
    static constexpr float TURN_RATE = 500.0f; // degrees per second at full command
    static constexpr irr::u32 HIGHLIGHT_COLOR = 0xFFFF0000;

    // Driven by its own copy of `network`, held in `brain`.
    Vehicle(const NeuralNetwork& network, irr::scene::ITriangleSelector* wallSelector, ItemManager* itemManager,
            const irr::core::vector3df& position);
    // Driven by `controller`; `brain` stays an empty network.
    Vehicle(std::unique_ptr<Brain> controller, irr::scene::ITriangleSelector* wallSelector,
            ItemManager* itemManager, const irr::core::vector3df& position);
    ~Vehicle();
    Vehicle(const Vehicle&) = delete;
    Vehicle& operator=(const Vehicle&) = delete;

    // One step: senseStep, the brain's answer, drive. Callers that steer from elsewhere
    // (the Python arena) make the halves themselves.
    void update(float dt);
    // The readings update() gives the brain: inputCount() values.
    size_t inputCount() const;
    // The step's first half: what the vehicle takes and earns, and its readings in `inputs`
    // (inputCount() zeros to begin with). False once it no longer moves (it stands still).
    bool senseStep(std::vector<float>& inputs);
    // The step's second half: turns and drives by the outputs (turn, speed; each 0 to 1).
    void drive(const std::vector<float>& outputs, float dt);
    // Item collection's share of a step: takes an item in reach (one point), places the
    // sensors and reads walls then items into inputs 0-3.
    void collectAndSense(std::vector<float>& inputs);
    void setHighlight(bool on);
    // What steers the vehicle: `controller` when it was given one, `brain` otherwise.
    Brain& steering()
    {
        if (controller)
            return *controller;
        return brain;
    }
    const Brain& steering() const
    {
        if (controller)
            return *controller;
        return brain;
    }

    NeuralNetwork brain;
    float fitness = 0.0f;
    irr::scene::IAnimatedMeshSceneNode* node = nullptr;
    irr::scene::ITriangleSelector* wallSelector;
    ItemManager* itemManager;
    std::vector<VehicleSensor*> sensors;
    irr::core::vector3df velocity;
    irr::video::SColor baseColor;
    // The brain given in place of a network; none for a vehicle built from a network.
    std::unique_ptr<Brain> controller;
    // The run's task's rules of sensing and scoring; without them the vehicle collects items.
    const VehicleRules* rules = nullptr;
    VehicleTally tally;

private:
    // The construction both kinds share: mesh, colour, position, sensors, collision response.
    void place(const irr::core::vector3df& position);
};

} // namespace modules
