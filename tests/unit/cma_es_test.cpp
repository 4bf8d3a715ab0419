// CMA-ES on plain functions, against the evaluation counts of Hansen's tutorial: the sphere
// needs step-size adaptation to get there, Rosenbrock's curved valley needs the covariance
// to learn its shape.

#include "StrategyDriver.h"

#include "methods/CmaEsStrategy.h"

#include <gtest/gtest.h>

using modules::CmaEsStrategy;
using testing_support::evaluationsToReach;

namespace {

constexpr int N = 10;
constexpr double TARGET = 1e-8;
constexpr std::uint64_t SEEDS[] = {1, 2, 3, 4, 5};

std::vector<double> filled(double value) { return std::vector<double>(N, value); }

TEST(CmaEsTest, FullCovarianceSolvesSphereAndRosenbrockWithinTheTutorialsBudgets)
{
    const int lambda = CmaEsStrategy::defaultPopulationSize(N);
    ASSERT_EQ(lambda, 10);
    for (std::uint64_t seed : SEEDS) {
        // A few thousand evaluations on the sphere from a start 3 sigma away.
        CmaEsStrategy sphere(filled(1.0), 0.3, lambda, CmaEsStrategy::Covariance::FULL);
        const int sphereEvaluations = evaluationsToReach(sphere, testing_support::sphere, TARGET, 3000, seed);
        EXPECT_GT(sphereEvaluations, 0) << "seed " << seed << ": sphere not solved in 3000 evaluations";

        // About 10^4 on Rosenbrock, from the origin: the valley must be followed to (1, ..., 1).
        CmaEsStrategy valley(filled(0.0), 0.3, lambda, CmaEsStrategy::Covariance::FULL);
        const int valleyEvaluations = evaluationsToReach(valley, testing_support::rosenbrock, TARGET, 10000, seed);
        EXPECT_GT(valleyEvaluations, 0) << "seed " << seed << ": Rosenbrock not solved in 10000 evaluations";
        EXPECT_LT((valley.mean() - Eigen::VectorXd::Ones(N)).norm(), 1e-3) << "seed " << seed;
        std::printf("seed %llu: sphere %d, Rosenbrock %d evaluations\n", static_cast<unsigned long long>(seed),
                    sphereEvaluations, valleyEvaluations);
    }
}

TEST(CmaEsTest, SeparableCovarianceSolvesSphereAndLearnsAnAxisParallelEllipsoid)
{
    const int lambda = CmaEsStrategy::defaultPopulationSize(N);
    for (std::uint64_t seed : SEEDS) {
        CmaEsStrategy sphere(filled(1.0), 0.3, lambda, CmaEsStrategy::Covariance::SEPARABLE);
        const int sphereEvaluations = evaluationsToReach(sphere, testing_support::sphere, TARGET, 3000, seed);
        EXPECT_GT(sphereEvaluations, 0) << "seed " << seed << ": sphere not solved in 3000 evaluations";

        // Condition 1e6 along the axes: the diagonal has to span three orders of magnitude in
        // standard deviation; with a fixed covariance the same target takes far longer.
        CmaEsStrategy ellipsoid(filled(1.0), 0.3, lambda, CmaEsStrategy::Covariance::SEPARABLE);
        const int ellipsoidEvaluations = evaluationsToReach(ellipsoid, testing_support::ellipsoid, TARGET, 6000, seed);
        EXPECT_GT(ellipsoidEvaluations, 0) << "seed " << seed << ": ellipsoid not solved in 6000 evaluations";
        const Eigen::VectorXd variances = ellipsoid.covarianceMatrix().diagonal();
        EXPECT_GT(variances[0] / variances[N - 1], 1e4) << "seed " << seed;
        std::printf("seed %llu: separable sphere %d, ellipsoid %d evaluations\n", static_cast<unsigned long long>(seed),
                    sphereEvaluations, ellipsoidEvaluations);
    }
}

} // namespace
