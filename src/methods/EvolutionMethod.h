#pragma once

#include "brain/Brain.h"
#include "evolution/Behaviour.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <vector>

namespace modules {

// An evolution method seen from the arena: it proposes brains and learns from their
// fitness. It knows nothing of vehicles, items or the screen; the arena knows nothing of how
// the brains were made.
class EvolutionMethod {
public:
    virtual ~EvolutionMethod() = default;

    // "ga", "cmaes", "openai-es", "neat".
    virtual std::string name() const = 0;
    // The brains of the next generation in population order. Calling it again before tell()
    // gives the same brains.
    virtual std::vector<std::unique_ptr<Brain>> ask() = 0;
    // One fitness per brain of the last ask(), in the same order: ends the generation.
    virtual void tell(const std::vector<float>& fitnesses) = 0;
    // tell() with each brain's behaviour too, scaled to [0, 1] on each axis: methods that
    // search for new behaviour (novelty search, MAP-Elites) need it, the others ignore it.
    virtual void tellOutcome(const std::vector<float>& fitnesses, const std::vector<Behaviour>& behaviours)
    {
        (void)behaviours;
        tell(fitnesses);
    }

    // The method's own parameters (beyond the shared ones), by option name, e.g.
    // {"sigma": 0.5}.
    virtual nlohmann::json parameters() const = 0;
    // Everything that decides the rest of the run from here, its generator included.
    virtual nlohmann::json state() const = 0;
    // Puts back what state() gave. On a state that does not fit (wrong kind, sizes, values
    // it could not have reached) returns false with a short reason and changes nothing.
    virtual bool restore(const nlohmann::json& state, std::string& reason) = 0;

    // Species in the generation of the last ask(); methods without species have one.
    virtual int speciesCount() const { return 1; }

    // One line for the log about how the method runs (e.g. which variant), or empty.
    virtual std::string description() const { return {}; }
};

} // namespace modules
