#pragma once

#include "brain/NeuralNetwork.h"
#include "methods/EvolutionMethod.h"

#include <cstdint>
#include <memory>

namespace modules {

// The noise standard deviation and Adam step size, chosen by tuning on the default arena (34
// genes, 100 generations, seeds 21-25). The paper's 0.02 and 0.01 suit networks of thousands
// of weights; here they move the few genes too little for a noisy count of items to notice.
constexpr double OPENAI_ES_DEFAULT_SIGMA = 0.371;
constexpr double OPENAI_ES_DEFAULT_LEARNING_RATE = 0.0794;

// OpenAI-ES ("openai-es") on the genomes of `shape`, starting from its genome as the mean.
// parameters() is {"sigma": sigma, "learning_rate": learningRate}. Throws
// std::invalid_argument when either is not a positive number.
std::unique_ptr<EvolutionMethod> makeOpenAiEsMethod(const NeuralNetwork& shape, int populationSize, double sigma,
                                                    double learningRate, std::uint64_t seed);

} // namespace modules
