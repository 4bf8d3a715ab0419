#pragma once

#include "brain/Brain.h"

#include <irrlicht.h>

#include <memory>
#include <vector>

namespace modules {

class ItemManager;
class VehicleSensor;

// One member of a generation: a mesh in the arena steered by a brain of its own.
class Vehicle {
public:
    static constexpr float TURN_RATE = 500.0f; // degrees per second at full command
    static constexpr irr::u32 HIGHLIGHT_COLOR = 0xFFFF0000;

    Vehicle(std::unique_ptr<Brain> brain, irr::scene::ITriangleSelector* wallSelector,
            ItemManager* itemManager, const irr::core::vector3df& position);
    ~Vehicle();
    Vehicle(const Vehicle&) = delete;
    Vehicle& operator=(const Vehicle&) = delete;

    void update(float dt);
    void setHighlight(bool on);

    std::unique_ptr<Brain> brain;
    float fitness = 0.0f;
    irr::scene::IAnimatedMeshSceneNode* node = nullptr;
    irr::scene::ITriangleSelector* wallSelector;
    ItemManager* itemManager;
    std::vector<VehicleSensor*> sensors;
    irr::core::vector3df velocity;
    irr::video::SColor baseColor;
};

} // namespace modules
