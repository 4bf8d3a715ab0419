#include "methods/CmaEs.h"

#include "methods/CmaEsStrategy.h"
#include "methods/StrategyMethod.h"

namespace modules {

std::unique_ptr<EvolutionMethod> makeCmaEsMethod(const NeuralNetwork& shape, int populationSize, double sigma,
                                                 std::uint64_t seed)
{
    const std::vector<float> genome = shape.getData();
    const auto covariance = static_cast<int>(genome.size()) > CMAES_FULL_COVARIANCE_MAX_GENES
                                ? CmaEsStrategy::Covariance::SEPARABLE
                                : CmaEsStrategy::Covariance::FULL;
    auto strategy = std::make_unique<CmaEsStrategy>(std::vector<double>(genome.begin(), genome.end()), sigma,
                                                    populationSize, covariance);
    return std::make_unique<StrategyMethod>("cmaes", nlohmann::json{{"sigma", sigma}}, shape, std::move(strategy),
                                            seed);
}

} // namespace modules
