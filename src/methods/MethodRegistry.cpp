#include "methods/MethodRegistry.h"

#include "methods/CmaEs.h"
#include "methods/GeneticAlgorithm.h"
#include "methods/OpenAiEs.h"
#include "methods/neat/NeatMethod.h"

#include <algorithm>

namespace modules {

namespace {

std::unique_ptr<EvolutionMethod> makeGeneticAlgorithm(const NeuralNetwork& shape, const EvolutionParams& params,
                                                      std::uint64_t, bool restoring)
{
    // Restoring, the population comes from the saved genomes: nothing is drawn for it.
    auto method = std::make_unique<GeneticAlgorithm>(shape, restoring ? 0 : params.populationSize, params.eliteCount,
                                                     params.selectorType, params.crossoverRate, params.mutationRate,
                                                     params.maxPerturbation);
    method->populationSize = params.populationSize;
    return method;
}

std::unique_ptr<EvolutionMethod> makeCmaEs(const NeuralNetwork& shape, const EvolutionParams& params,
                                           std::uint64_t seed, bool)
{
    return makeCmaEsMethod(shape, params.populationSize, params.sigma, seed);
}

std::unique_ptr<EvolutionMethod> makeOpenAiEs(const NeuralNetwork& shape, const EvolutionParams& params,
                                              std::uint64_t seed, bool)
{
    return makeOpenAiEsMethod(shape, params.populationSize, params.sigma, params.learningRate, seed);
}

// NEAT grows its own topology from inputs joined to outputs: the template network's shape
// means nothing to it, only the weight range.
std::unique_ptr<EvolutionMethod> makeNeat(const NeuralNetwork&, const EvolutionParams& params, std::uint64_t seed,
                                          bool)
{
    return makeNeatMethod(params.populationSize, params.weightRange, seed);
}

} // namespace

const std::vector<MethodInfo>& evolutionMethods()
{
    // A new method is one more line here.
    static const std::vector<MethodInfo> methods = {
        {"ga", L"Genetic alg.", "genetic algorithm: elites, selection, crossover, mutation",
         {"elite-count", "selector", "crossover-rate", "mutation-rate", "max-perturbation", "hidden-neurons"}, 0.0f, 0.0f,
         makeGeneticAlgorithm},
        {"cmaes", L"CMA-ES", "CMA-ES (Hansen): full covariance up to " + std::to_string(CMAES_FULL_COVARIANCE_MAX_GENES)
             + " genes, diagonal above", {"sigma", "hidden-neurons"},
         static_cast<float>(CMAES_DEFAULT_SIGMA), 0.0f, makeCmaEs},
        {"openai-es", L"OpenAI-ES", "OpenAI-ES (Salimans et al.), mirrored noise, ranks, Adam",
         {"sigma", "learning-rate", "hidden-neurons"}, static_cast<float>(OPENAI_ES_DEFAULT_SIGMA),
         static_cast<float>(OPENAI_ES_DEFAULT_LEARNING_RATE), makeOpenAiEs},
        {"neat", L"NEAT", "NEAT (Stanley & Miikkulainen): grows hidden nodes and connections, species", {}, 0.0f, 0.0f,
         makeNeat},
    };
    return methods;
}

const MethodInfo* findMethod(const std::string& name)
{
    for (const MethodInfo& method : evolutionMethods())
        if (name == method.name)
            return &method;
    return nullptr;
}

const std::vector<std::string>& methodOptions()
{
    static const std::vector<std::string> options = {"elite-count",      "selector", "crossover-rate", "mutation-rate",
                                                     "max-perturbation", "sigma",    "learning-rate",  "hidden-neurons"};
    return options;
}

bool methodUses(const MethodInfo& method, const std::string& option)
{
    return std::find(method.uses.begin(), method.uses.end(), option) != method.uses.end();
}

NeuralNetwork networkShape(const EvolutionParams& params)
{
    NeuralNetwork shape(params.weightRange);
    const int sizes[] = {4, params.hiddenNeurons > 0 ? params.hiddenNeurons : 0, 2};
    for (size_t k = 0; k < 3; ++k) {
        shape.layers.emplace_back(static_cast<size_t>(sizes[k]));
        for (Neuron& neuron : shape.layers.back()) {
            neuron.weightRange = params.weightRange;
            neuron.weights.assign(k == 0 ? 0 : static_cast<size_t>(sizes[k - 1]), 0.0f);
        }
    }
    return shape;
}

bool chooseMethod(EvolutionParams& params, const std::string& name)
{
    const MethodInfo* method = findMethod(name);
    if (!method)
        return false;
    params.method = method->name;
    params.sigma = method->defaultSigma;
    params.learningRate = method->defaultLearningRate;
    return true;
}

} // namespace modules
