#pragma once

#include <vector>

namespace modules {

class Vehicle;

// What a vehicle senses and what earns it fitness, when a run's task sets other rules than
// item collection (see Task).
class VehicleRules {
public:
    virtual ~VehicleRules() = default;
    virtual int inputCount() const = 0;
    // A vehicle's step before it moves: what it takes and what that earns, then its readings
    // in `inputs` (inputCount() zeros to begin with).
    virtual void sense(Vehicle& vehicle, std::vector<float>& inputs) const = 0;
    // False once the vehicle has finished (reached a goal): it no longer moves.
    virtual bool moves(const Vehicle&) const { return true; }
};

} // namespace modules
