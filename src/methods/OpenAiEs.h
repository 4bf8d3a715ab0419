#pragma once

#include "brain/NeuralNetwork.h"
#include "methods/EvolutionMethod.h"

#include <cstdint>
#include <memory>

namespace modules {

// The noise standard deviation and Adam step size of Salimans et al. (2017) in their MuJoCo
// experiments.
constexpr double OPENAI_ES_DEFAULT_SIGMA = 0.02;
constexpr double OPENAI_ES_DEFAULT_LEARNING_RATE = 0.01;

// OpenAI-ES ("openai-es") on the genomes of `shape`, starting from its genome as the mean.
// parameters() is {"sigma": sigma, "learning_rate": learningRate}. Throws
// std::invalid_argument when either is not a positive number.
std::unique_ptr<EvolutionMethod> makeOpenAiEsMethod(const NeuralNetwork& shape, int populationSize, double sigma,
                                                    double learningRate, std::uint64_t seed);

} // namespace modules
