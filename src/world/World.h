#pragma once

#include "vehicle/VehicleRules.h"
#include "world/ArenaLayout.h"
#include "world/WallBoxes.h"

#include <irrlicht.h>

#include <functional>
#include <memory>
#include <vector>

namespace modules {

class EvolutionRun;
class Evolver;
class Vehicle;
class ItemManager;
class Brain;
class NeuralNetwork;

// The arena and what lives in it: the static scene, the current generation and the run.
class World {
public:
    // The arena's floor inside its walls, centred at the origin.
    static constexpr float ARENA_WIDTH = 9.0f;
    static constexpr float ARENA_DEPTH = 9.0f;

    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // This generation's items, then vehicle i driven by network i of the population (a copy),
    // for the first vehicleCount networks; each vehicle's start draws x then z.
    void createVehicles(const std::vector<NeuralNetwork>& population);
    // The same for methods whose brains are not layered networks: vehicle i gets brain i.
    void createVehiclesFromBrains(std::vector<std::unique_ptr<Brain>> brains);
    void destroyVehicles();
    // A start anywhere in the open arena: x, then z, each drawn from the generator.
    irr::core::vector3df randomStart() const;
    void updateHighlight();
    // The run's messages for the user; they go wherever logLine and logCleared lead (the
    // screen log in the program), nowhere when those are empty.
    void writeLog(const wchar_t* line) const;
    void clearLog() const;

    std::function<void(const wchar_t* line)> logLine;
    std::function<void()> logCleared;
    // For whoever watches vehicles (the camera): all vehicles are about to go, and the
    // vehicle that now leads. Nothing happens when they are empty.
    std::function<void()> vehiclesRemoved;
    std::function<void(Vehicle* best)> leaderChanged;

    // The genetic algorithm of the run when that is the run's method, none otherwise. It
    // belongs to `run`.
    Evolver* evolver = nullptr;
    std::vector<Vehicle*> vehicles;
    ItemManager* itemManager = nullptr;
    int itemCount = 0;
    int vehicleCount = 0;
    float generationTime = 0.0f;
    float arenaWidth = ARENA_WIDTH;
    float arenaDepth = ARENA_DEPTH;
    float generationClock = 0.0f;
    float highlightTimer = 0.0f;
    Vehicle* highlightedVehicle = nullptr;
    irr::scene::ITriangleSelector* wallSelector = nullptr;
    // Where wallSelector's triangles lie, for the sensors to skip lines far from every wall.
    WallBoxes wallBoxes;
    // The run's task's layout of a generation and rules for its vehicles; none for item
    // collection. They belong to `run`.
    const ArenaLayout* layout = nullptr;
    const VehicleRules* rules = nullptr;
    // The evolution run, whatever its method; none while no evolution runs.
    std::unique_ptr<EvolutionRun> run;

private:
    // Both kinds of vehicle creation: the items, then vehicle i from `make` at a random start,
    // for i below vehicleCount and `available`.
    void placeGeneration(size_t available,
                         const std::function<Vehicle*(size_t, const irr::core::vector3df&)>& make);
};

} // namespace modules
