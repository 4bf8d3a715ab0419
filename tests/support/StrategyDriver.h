#pragma once

// Runs a search strategy on a plain function, as the tests of the strategies' maths need.

#include "methods/MethodRandom.h"
#include "methods/SearchStrategy.h"

#include <Eigen/Core>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace testing_support {

using Objective = std::function<double(const Eigen::VectorXd&)>;

inline double sphere(const Eigen::VectorXd& x) { return x.squaredNorm(); }

inline double rosenbrock(const Eigen::VectorXd& x)
{
    double sum = 0.0;
    for (Eigen::Index i = 0; i + 1 < x.size(); ++i)
        sum += 100.0 * std::pow(x[i] * x[i] - x[i + 1], 2) + std::pow(x[i] - 1.0, 2);
    return sum;
}

// Axis-parallel ellipsoid with condition number 1e6.
inline double ellipsoid(const Eigen::VectorXd& x)
{
    double sum = 0.0;
    const double n = static_cast<double>(x.size());
    for (Eigen::Index i = 0; i < x.size(); ++i)
        sum += std::pow(1e6, i / (n - 1.0)) * x[i] * x[i];
    return sum;
}

// Evaluations until a candidate's cost falls below `target`, or -1 once `budget` is spent.
inline int evaluationsToReach(modules::SearchStrategy& strategy, const Objective& f, double target, int budget,
                              std::uint64_t seed)
{
    modules::MethodRandom random(seed);
    int evaluations = 0;
    while (evaluations < budget) {
        const Eigen::MatrixXd& x = strategy.ask(random);
        std::vector<double> costs(x.cols());
        for (Eigen::Index k = 0; k < x.cols(); ++k) {
            costs[k] = f(x.col(k));
            ++evaluations;
            if (costs[k] < target)
                return evaluations;
        }
        strategy.tell(costs);
    }
    return -1;
}

} // namespace testing_support
