#pragma once

#include "brain/NeuralNetwork.h"

#include <irrlicht.h>

#include <vector>

namespace modules {

class ItemManager;
class VehicleSensor;

// One member of a generation: a mesh in the arena steered by its own copy of a network.
class Vehicle {
public:
    static constexpr float TURN_RATE = 500.0f; // degrees per second at full command
    static constexpr irr::u32 HIGHLIGHT_COLOR = 0xFFFF0000;

    Vehicle(const NeuralNetwork& network, irr::scene::ITriangleSelector* wallSelector,
            ItemManager* itemManager, const irr::core::vector3df& position);
    ~Vehicle();
    Vehicle(const Vehicle&) = delete;
    Vehicle& operator=(const Vehicle&) = delete;

    void update(float dt);
    void setHighlight(bool on);

    NeuralNetwork brain;
    float fitness = 0.0f;
    irr::scene::IAnimatedMeshSceneNode* node = nullptr;
    irr::scene::ITriangleSelector* wallSelector;
    ItemManager* itemManager;
    std::vector<VehicleSensor*> sensors;
    irr::core::vector3df velocity;
    irr::video::SColor baseColor;
};

} // namespace modules
