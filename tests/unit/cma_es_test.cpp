// CMA-ES on plain functions, against the evaluation counts of Hansen's tutorial: the sphere
// needs step-size adaptation to get there, Rosenbrock's curved valley needs the covariance
// to learn its shape.

#include "StrategyDriver.h"

#include "methods/CmaEsStrategy.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>

using modules::CmaEsStrategy;
using testing_support::evaluationsToReach;

namespace {

constexpr int N = 10;
constexpr double TARGET = 1e-8;
constexpr std::uint64_t SEEDS[] = {1, 2, 3, 4, 5};

std::vector<double> filled(double value) { return std::vector<double>(N, value); }

// Each seed within the budgets the tutorial reports (a few thousand evaluations on the sphere,
// about 10^4 on Rosenbrock); on average over the seeds within 2,000 and 6,000, where an intact
// CMA-ES lands and a weakened one does not: a step-size damping three times too slow takes
// about 2,600 on the sphere; without the rank-one update Rosenbrock takes about 9,000, without
// the rank-mu update about 7,000.
TEST(CmaEsTest, FullCovarianceSolvesSphereAndRosenbrockWithinTheTutorialsBudgets)
{
    const int lambda = CmaEsStrategy::defaultPopulationSize(N);
    ASSERT_EQ(lambda, 10);
    double sphereTotal = 0.0, valleyTotal = 0.0;
    for (std::uint64_t seed : SEEDS) {
        // From a start 3 sigma away from the optimum.
        CmaEsStrategy sphere(filled(1.0), 0.3, lambda, CmaEsStrategy::Covariance::FULL);
        const int sphereEvaluations = evaluationsToReach(sphere, testing_support::sphere, TARGET, 3000, seed);
        EXPECT_GT(sphereEvaluations, 0) << "seed " << seed << ": sphere not solved in 3000 evaluations";
        sphereTotal += sphereEvaluations;

        // From the origin: the curved valley must be followed to (1, ..., 1).
        CmaEsStrategy valley(filled(0.0), 0.3, lambda, CmaEsStrategy::Covariance::FULL);
        const int valleyEvaluations = evaluationsToReach(valley, testing_support::rosenbrock, TARGET, 10000, seed);
        EXPECT_GT(valleyEvaluations, 0) << "seed " << seed << ": Rosenbrock not solved in 10000 evaluations";
        EXPECT_LT((valley.mean() - Eigen::VectorXd::Ones(N)).norm(), 1e-3) << "seed " << seed;
        valleyTotal += valleyEvaluations;
        std::printf("seed %llu: sphere %d, Rosenbrock %d evaluations\n", static_cast<unsigned long long>(seed),
                    sphereEvaluations, valleyEvaluations);
    }
    const double seeds = static_cast<double>(std::size(SEEDS));
    EXPECT_LT(sphereTotal / seeds, 2000.0);
    EXPECT_LT(valleyTotal / seeds, 6000.0);
}

// On average over the seeds the ellipsoid within 2,300 evaluations, where the separable
// variant lands with the tutorial's negative weights and the diagonal's learning rates
// (about 2,100) and does not without the negative weights (about 2,400) or with the
// tutorial's rates for a full matrix (about 3,500).
TEST(CmaEsTest, SeparableCovarianceSolvesSphereAndLearnsAnAxisParallelEllipsoid)
{
    const int lambda = CmaEsStrategy::defaultPopulationSize(N);
    double ellipsoidTotal = 0.0;
    for (std::uint64_t seed : SEEDS) {
        CmaEsStrategy sphere(filled(1.0), 0.3, lambda, CmaEsStrategy::Covariance::SEPARABLE);
        const int sphereEvaluations = evaluationsToReach(sphere, testing_support::sphere, TARGET, 3000, seed);
        EXPECT_GT(sphereEvaluations, 0) << "seed " << seed << ": sphere not solved in 3000 evaluations";

        // Condition 1e6 along the axes: the diagonal has to span three orders of magnitude in
        // standard deviation; with the diagonal learning from z instead of y (no memory of
        // the shape learnt) 6,000 evaluations are not enough.
        CmaEsStrategy ellipsoid(filled(1.0), 0.3, lambda, CmaEsStrategy::Covariance::SEPARABLE);
        const int ellipsoidEvaluations = evaluationsToReach(ellipsoid, testing_support::ellipsoid, TARGET, 6000, seed);
        EXPECT_GT(ellipsoidEvaluations, 0) << "seed " << seed << ": ellipsoid not solved in 6000 evaluations";
        ellipsoidTotal += ellipsoidEvaluations;
        const Eigen::VectorXd variances = ellipsoid.covarianceMatrix().diagonal();
        EXPECT_GT(variances[0] / variances[N - 1], 1e4) << "seed " << seed;
        std::printf("seed %llu: separable sphere %d, ellipsoid %d evaluations\n", static_cast<unsigned long long>(seed),
                    sphereEvaluations, ellipsoidEvaluations);
    }
    EXPECT_LT(ellipsoidTotal / static_cast<double>(std::size(SEEDS)), 2300.0);
}

// At n = 60 the rates for a diagonal (c_mu = mueff c1, cc = sqrt(mueff c1) / 2) solve the
// ellipsoid in about 13,700 evaluations on average over the seeds; the tutorial's c1 and c_mu
// raised by (n + 2) / 3 with its cc take about 15,200, and 14,500 lies between.
TEST(CmaEsTest, SeparableCovarianceLearnsTheEllipsoidAtTheDiagonalsRatesIn60Dimensions)
{
    constexpr int DIMENSION = 60;
    const int lambda = CmaEsStrategy::defaultPopulationSize(DIMENSION);
    ASSERT_EQ(lambda, 16);
    double total = 0.0;
    for (std::uint64_t seed : SEEDS) {
        CmaEsStrategy ellipsoid(std::vector<double>(DIMENSION, 1.0), 0.3, lambda, CmaEsStrategy::Covariance::SEPARABLE);
        const int evaluations = evaluationsToReach(ellipsoid, testing_support::ellipsoid, TARGET, 30000, seed);
        EXPECT_GT(evaluations, 0) << "seed " << seed << ": ellipsoid not solved in 30000 evaluations";
        total += evaluations;
        std::printf("seed %llu: separable ellipsoid, n = 60: %d evaluations\n", static_cast<unsigned long long>(seed),
                    evaluations);
    }
    EXPECT_LT(total / static_cast<double>(std::size(SEEDS)), 14500.0);
}

} // namespace
