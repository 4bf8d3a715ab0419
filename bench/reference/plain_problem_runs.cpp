// Runs the project's CMA-ES or NEAT on a plain problem, one seed after another, and prints
// the evaluations each needed; compare_with_peers.py runs it beside pycma and neat-python.
//
//   plain_problem_runs cmaes full|separable sphere|rosenbrock|ellipsoid N START SIGMA TARGET BUDGET SEED...
//   plain_problem_runs neat-xor POPULATION GENERATIONS SEED...
//
// One line per seed: "SEED EVALUATIONS" (CMA-ES: until a candidate's cost falls below TARGET,
// starting from (START, ..., START); -1 when BUDGET evaluations did not get there) or
// "SEED EVALUATIONS GENERATION" (NEAT: until a network solves XOR; GENERATION 0 when none did).

#include "NeatXor.h"
#include "StrategyDriver.h"

#include "methods/CmaEsStrategy.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: plain_problem_runs cmaes full|separable sphere|rosenbrock|ellipsoid N START SIGMA "
                         "TARGET BUDGET SEED...\n"
                         "       plain_problem_runs neat-xor POPULATION GENERATIONS SEED...\n");
    return 2;
}

int runCmaEs(int argc, char** argv)
{
    if (argc < 10)
        return usage();
    const std::string variant = argv[2], function = argv[3];
    const int n = std::atoi(argv[4]);
    const double start = std::atof(argv[5]), sigma = std::atof(argv[6]), target = std::atof(argv[7]);
    const int budget = std::atoi(argv[8]);
    testing_support::Objective f;
    if (function == "sphere")
        f = testing_support::sphere;
    else if (function == "rosenbrock")
        f = testing_support::rosenbrock;
    else if (function == "ellipsoid")
        f = testing_support::ellipsoid;
    if (!f || (variant != "full" && variant != "separable") || n < 2 || !(sigma > 0.0) || budget < 1)
        return usage();
    const auto covariance =
        variant == "full" ? modules::CmaEsStrategy::Covariance::FULL : modules::CmaEsStrategy::Covariance::SEPARABLE;
    for (int k = 9; k < argc; ++k) {
        const auto seed = std::strtoull(argv[k], nullptr, 10);
        modules::CmaEsStrategy strategy(std::vector<double>(n, start), sigma,
                                        modules::CmaEsStrategy::defaultPopulationSize(n), covariance);
        std::printf("%llu %d\n", seed, testing_support::evaluationsToReach(strategy, f, target, budget, seed));
        std::fflush(stdout);
    }
    return 0;
}

int runNeatXor(int argc, char** argv)
{
    if (argc < 5)
        return usage();
    const int population = std::atoi(argv[2]), generations = std::atoi(argv[3]);
    if (population < 2 || generations < 1)
        return usage();
    for (int k = 4; k < argc; ++k) {
        const auto seed = std::strtoull(argv[k], nullptr, 10);
        const testing_support::XorRun run = testing_support::solveXor(seed, population, generations);
        std::printf("%llu %d %d\n", seed, run.evaluations, run.generation);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "cmaes") == 0)
        return runCmaEs(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "neat-xor") == 0)
        return runNeatXor(argc, argv);
    return usage();
}
