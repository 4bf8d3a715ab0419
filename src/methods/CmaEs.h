#pragma once

#include "brain/NeuralNetwork.h"
#include "methods/EvolutionMethod.h"

#include <cstdint>
#include <memory>

namespace modules {

// The initial step size, chosen by tuning on the default arena (34 genes, 100 generations,
// seeds 21-25): a vehicle's score barely changes for small steps, so larger steps than the
// tutorial's 0.3 (b - a) for a start in (-1, 1)^n find the first gains sooner.
constexpr double CMAES_DEFAULT_SIGMA = 1.16;

// Up to this many genes CMA-ES keeps the full covariance matrix; above it, only its diagonal.
// With 20 candidates the tutorial's rule renews the eigendecomposition every generation or two
// at these sizes, so the full variant costs about n^3: at 48 genes (6 hidden neurons) its ask
// and tell take under 2% of a default generation, at 55 more (bench/method_bench.cpp).
constexpr int CMAES_FULL_COVARIANCE_MAX_GENES = 48;

// CMA-ES ("cmaes") on the genomes of `shape`, starting from its genome as the mean; lambda =
// populationSize. parameters() is {"sigma": sigma}. Throws std::invalid_argument when sigma is
// not a positive number.
std::unique_ptr<EvolutionMethod> makeCmaEsMethod(const NeuralNetwork& shape, int populationSize, double sigma,
                                                 std::uint64_t seed);

} // namespace modules
