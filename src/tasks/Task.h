#pragma once

#include <irrlicht.h>

#include <string>
#include <vector>

namespace modules {

class ItemManager;
class Vehicle;
class World;

// What a vehicle did in its generation, in two numbers: where it ended on the floor.
struct Behaviour {
    float x = 0.0f;
    float z = 0.0f;
};

// A problem the vehicles are evolved on: the arena a generation drives in, what a vehicle
// senses and what earns it fitness. The run reaches the arena's rules only through this.
class Task {
public:
    virtual ~Task() = default;

    // "collect", "forage", "maze".
    virtual std::string name() const = 0;
    // The network's inputs in the order it takes them, by name for the network panel.
    virtual const std::vector<std::string>& inputNames() const = 0;
    int inputCount() const { return static_cast<int>(inputNames().size()); }
    // Turn and speed.
    int outputCount() const { return 2; }

    // The run's static additions to the arena (a maze's walls), made when the run starts and
    // taken away when it ends.
    virtual void enter(World&) {}
    virtual void leave(World&) {}
    // A generation's items, made before its vehicles.
    virtual ItemManager* makeItems(World& world) const = 0;
    // Where the next vehicle of a generation starts (with the draws that takes) and which way
    // it faces, in degrees about the vertical.
    virtual irr::core::vector3df startPosition(const World& world) const = 0;
    virtual float startHeading() const { return 0.0f; }
    // A vehicle's step before it moves: what it takes and what that earns, then its
    // readings in `inputs` (inputCount() zeros to begin with).
    virtual void sense(Vehicle& vehicle, std::vector<float>& inputs) const = 0;
    // False once the vehicle has finished (reached the maze's goal): it no longer moves.
    virtual bool moves(const Vehicle&) const { return true; }
    // What the vehicle did, for methods that reward new behaviour.
    virtual Behaviour behaviour(const Vehicle& vehicle) const;

    // The task's own columns in the CSV ("food_best") and their values for a finished
    // generation; none for item collection.
    virtual std::vector<std::string> measureNames() const { return {}; }
    virtual std::vector<double> measures(const std::vector<Vehicle*>&) const { return {}; }
    // A log line after a generation's report, or empty.
    virtual std::wstring generationNote(const std::vector<Vehicle*>&) const { return {}; }
};

// Item collection as the arena has it without a task: stateless, shared by every vehicle built
// without a run (tests, code written against the plain vehicle).
const Task& collectTask();

} // namespace modules
