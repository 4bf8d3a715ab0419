#pragma once

#include "evolution/Behaviour.h"
#include "vehicle/VehicleRules.h"
#include "world/ArenaLayout.h"

#include <irrlicht.h>

#include <string>
#include <vector>

namespace modules {

class ItemManager;
class Vehicle;
class World;

// A problem the vehicles are evolved on: the arena a generation drives in, what a vehicle
// senses and what earns it fitness. The run reaches the arena's rules only through this.
class Task : public VehicleRules, public ArenaLayout {
public:
    virtual ~Task() = default;

    // "collect", "forage", "maze".
    virtual std::string name() const = 0;
    // The network's inputs in the order it takes them, by name for the network panel.
    virtual const std::vector<std::string>& inputNames() const = 0;
    int inputCount() const override { return static_cast<int>(inputNames().size()); }
    // Turn and speed.
    int outputCount() const { return 2; }

    // The run's static additions to the arena (a maze's walls), made when the run starts and
    // taken away when it ends.
    virtual void enter(World&) {}
    virtual void leave(World&) {}
    // makeItems(), startPosition(), startHeading(): see ArenaLayout; sense() and moves():
    // see VehicleRules.
    // What the vehicle did in its generation, for methods that reward new behaviour, in the
    // task's BehaviourSpace (TaskInfo::behaviourSpace): here where it ended on the floor.
    virtual Behaviour behaviour(const Vehicle& vehicle) const;

    // The task's own measures of a finished generation, in the order of its TaskInfo's
    // measureNames (CSV columns); none for item collection.
    virtual std::vector<double> measures(const std::vector<Vehicle*>&) const { return {}; }
    // A log line after a generation's report, from its measures and number of vehicles, or empty.
    virtual std::wstring generationNote(const std::vector<double>&, std::size_t) const { return {}; }
};

} // namespace modules
