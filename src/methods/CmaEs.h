#pragma once

#include "brain/NeuralNetwork.h"
#include "methods/EvolutionMethod.h"

#include <cstdint>
#include <memory>

namespace modules {

// The initial step size: Hansen's tutorial advises 0.3 (b - a) for a start in [a, b]^n, and a
// new network's weights and thresholds lie in (-1, 1) with the default weight range.
constexpr double CMAES_DEFAULT_SIGMA = 0.6;

// Up to this many genes CMA-ES keeps the full covariance matrix; above it, only its diagonal,
// so that a generation's ask and tell stay cheap beside the generation itself (measured with
// bench/method_bench.cpp).
constexpr int CMAES_FULL_COVARIANCE_MAX_GENES = 100;

// CMA-ES ("cmaes") on the genomes of `shape`, starting from its genome as the mean; lambda =
// populationSize. parameters() is {"sigma": sigma}. Throws std::invalid_argument when sigma is
// not a positive number.
std::unique_ptr<EvolutionMethod> makeCmaEsMethod(const NeuralNetwork& shape, int populationSize, double sigma,
                                                 std::uint64_t seed);

} // namespace modules
