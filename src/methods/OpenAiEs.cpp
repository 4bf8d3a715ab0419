#include "methods/OpenAiEs.h"

#include "methods/OpenAiEsStrategy.h"
#include "methods/StrategyMethod.h"

namespace modules {

std::unique_ptr<EvolutionMethod> makeOpenAiEsMethod(const NeuralNetwork& shape, int populationSize, double sigma,
                                                    double learningRate, std::uint64_t seed)
{
    const std::vector<float> genome = shape.getData();
    auto strategy = std::make_unique<OpenAiEsStrategy>(std::vector<double>(genome.begin(), genome.end()), sigma,
                                                       learningRate, populationSize);
    return std::make_unique<StrategyMethod>("openai-es",
                                            nlohmann::json{{"sigma", sigma}, {"learning_rate", learningRate}},
                                            shape, std::move(strategy), seed);
}

} // namespace modules
