#pragma once

#include "methods/MethodRandom.h"

#include <Eigen/Core>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace modules {

// A search strategy on real vectors, apart from networks and arenas, so that its maths can
// be checked on plain functions. It minimises: lower cost is better.
class SearchStrategy {
public:
    virtual ~SearchStrategy() = default;

    virtual int dimension() const = 0;
    virtual int populationSize() const = 0;

    // Draws the next candidates, one per column, from `random`. Changes nothing in the
    // strategy but the candidates kept for tell(): drawing again from the same generator
    // state gives the same candidates.
    virtual const Eigen::MatrixXd& ask(MethodRandom& random) = 0;
    // One cost per candidate of the last ask(), in column order.
    virtual void tell(const std::vector<double>& costs) = 0;

    // The mean of the search distribution: the strategy's current best guess.
    virtual const Eigen::VectorXd& mean() const = 0;
    virtual int generation() const = 0;

    virtual std::string description() const = 0;
    // Everything but the candidates of a pending ask(): those are drawn again on resume.
    virtual nlohmann::json state() const = 0;
    // False with a reason, and nothing changed, for a state that does not fit.
    virtual bool restore(const nlohmann::json& state, std::string& reason) = 0;
};

} // namespace modules
