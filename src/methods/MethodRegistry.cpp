#include "methods/MethodRegistry.h"

#include "evolution/ParameterTable.h"
#include "methods/CmaEs.h"
#include "methods/Evolver.h"
#include "methods/MapElites.h"
#include "methods/NoveltySearch.h"
#include "methods/OpenAiEs.h"
#include "methods/neat/NeatMethod.h"

#include <algorithm>
#include <sstream>

namespace modules {

namespace {

std::unique_ptr<EvolutionMethod> makeGeneticAlgorithm(const NeuralNetwork& shape, const EvolutionParams& params,
                                                      std::uint64_t, bool restoring)
{
    // Restoring, the population comes from the saved genomes: nothing is drawn for it.
    auto method = std::make_unique<Evolver>(shape, restoring ? 0 : params.populationSize, params.eliteCount,
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

// NEAT grows its own topology from inputs joined to outputs: of the template network it takes
// only the numbers of inputs and outputs.
std::unique_ptr<EvolutionMethod> makeNeat(const NeuralNetwork& shape, const EvolutionParams& params,
                                          std::uint64_t seed, bool)
{
    const int inputs = shape.layers.empty() ? 0 : static_cast<int>(shape.layers.front().size());
    const int outputs = shape.layers.empty() ? 0 : static_cast<int>(shape.layers.back().size());
    return makeNeatMethod(inputs, outputs, params.populationSize, params.weightRange, seed);
}

std::unique_ptr<EvolutionMethod> makeMapElites(const NeuralNetwork& shape, const EvolutionParams& params,
                                              std::uint64_t seed, bool restoring)
{
    return std::make_unique<MapElites>(shape, params.populationSize, params.mapCells, params.crossoverRate,
                                       params.mutationRate, params.maxPerturbation, params.weightRange, seed, restoring);
}

// The weight range of the layered networks' methods draws their first generation and nothing
// after it: a loaded run, past that, would not change.
const char* const FIRST_GENERATION_ONLY = "it only draws the first generation's networks";
const char* const ADAPTED_THRESHOLD = "novelty search adapts its threshold and the file holds the one it reached";

} // namespace

const std::vector<MethodInfo>& evolutionMethods()
{
    // A new method is one more line here.
    static const std::vector<MethodInfo> methods = {
        {"ga", L"Genetic alg.", "genetic algorithm: elites, selection, crossover, mutation", 0.0f, 0.0f,
         makeGeneticAlgorithm, {{"weight-range", FIRST_GENERATION_ONLY}, {"novelty-threshold", ADAPTED_THRESHOLD}}},
        {"cmaes", L"CMA-ES", "CMA-ES (Hansen): full covariance up to " + std::to_string(CMAES_FULL_COVARIANCE_MAX_GENES)
             + " genes, diagonal above",
         static_cast<float>(CMAES_DEFAULT_SIGMA), 0.0f, makeCmaEs,
         {{"sigma", "CMA-ES adapts its step size and the file holds the one its search has reached"},
          {"weight-range", FIRST_GENERATION_ONLY}}},
        {"openai-es", L"OpenAI-ES", "OpenAI-ES (Salimans et al.), mirrored noise, ranks, Adam",
         static_cast<float>(OPENAI_ES_DEFAULT_SIGMA),
         static_cast<float>(OPENAI_ES_DEFAULT_LEARNING_RATE), makeOpenAiEs, {{"weight-range", FIRST_GENERATION_ONLY}}},
        {"neat", L"NEAT", "NEAT (Stanley & Miikkulainen): grows hidden nodes and connections, species", 0.0f, 0.0f,
         makeNeat, {{"novelty-threshold", ADAPTED_THRESHOLD}}},
        {"map-elites", L"MAP-Elites", "MAP-Elites (Mouret & Clune): the fittest network of each cell of a behaviour grid",
         0.0f, 0.0f, makeMapElites, {{"weight-range", FIRST_GENERATION_ONLY}}},
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
    static const std::vector<std::string> options = [] {
        std::vector<std::string> names;
        for (const ParameterInfo& parameter : evolutionParameters())
            if (!parameter.usedBy.empty())
                names.push_back(parameter.name());
        return names;
    }();
    return options;
}

bool methodUses(const MethodInfo& method, const std::string& option)
{
    const ParameterInfo* parameter = findParameter(option);
    return parameter && std::find(parameter->usedBy.begin(), parameter->usedBy.end(), method.name)
        != parameter->usedBy.end();
}

std::string methodsUsing(const std::string& option)
{
    std::string names;
    for (const MethodInfo& method : evolutionMethods())
        if (methodUses(method, option))
            names += (names.empty() ? "" : ", ") + std::string(method.name);
    return names;
}

std::string fixedOptionChanged(const EvolutionParams& saved, const EvolutionParams& wanted, std::string& why)
{
    const MethodInfo* method = findMethod(saved.method);
    if (!method)
        return std::string();
    const auto value = [](const EvolutionParams& params, const std::string& option) {
        return parameterValue(*findParameter(option), params);
    };
    for (const auto& [option, reason] : method->fixedOnResume) {
        // The threshold is novelty search's alone: a fitness run has none saved.
        if (!runUses(*findParameter(option), saved))
            continue;
        if (value(saved, option) != value(wanted, option)) {
            std::ostringstream text;
            text << reason << " (the file's " << option << ": " << value(saved, option) << ")";
            why = text.str();
            return option;
        }
    }
    return std::string();
}

bool isMethodSectionKey(const std::string& name)
{
    static const char* const keys[] = {
        // The section and the methods' parameters.
        "name", "parameters", "state", "sigma", "learning_rate",
        // The strategies (StrategyMethod, CmaEsStrategy, OpenAiEsStrategy) and their generator.
        "method", "random", "asked", "search", "xoshiro256", "covariance_kind", "dimension", "population",
        "generation", "mean", "path_sigma", "path_c", "covariance", "eigen_generation", "eigenvectors",
        "eigenvalue_roots", "covariance_diagonal", "adam_steps", "adam_first_moment", "adam_second_moment",
        // The genetic algorithm.
        "genomes",
        // NEAT: its population, innovations, genomes and species.
        "kind", "inputs", "outputs", "threshold", "next_species", "innovations", "next_node", "next_innovation",
        "connections", "splits", "nodes", "species", "id", "age", "evaluated", "best_fitness", "stagnant",
        "representative",
        // Novelty search's archive, beside the method's own state.
        "novelty", "threshold", "evaluated_since", "added_since", "archive",
        // MAP-Elites.
        "cells_per_axis", "elites", "cell", "fitness", "behaviour", "genome", "candidates"};
    for (const char* key : keys)
        if (name == key)
            return true;
    return false;
}

NeuralNetwork networkShape(const EvolutionParams& params, int inputs, int outputs)
{
    NeuralNetwork shape(params.weightRange);
    const int sizes[] = {inputs, params.hiddenNeurons > 0 ? params.hiddenNeurons : 0, outputs};
    for (size_t k = 0; k < 3; ++k) {
        shape.layers.emplace_back(static_cast<size_t>(sizes[k]));
        for (Neuron& neuron : shape.layers.back()) {
            neuron.weightRange = params.weightRange;
            neuron.weights.assign(k == 0 ? 0 : static_cast<size_t>(sizes[k - 1]), 0.0f);
        }
    }
    return shape;
}

std::unique_ptr<EvolutionMethod> makeMethod(const MethodInfo& method, const NeuralNetwork& shape,
                                            const EvolutionParams& params, std::uint64_t seed, bool restoring)
{
    std::unique_ptr<EvolutionMethod> made = method.make(shape, params, seed, restoring);
    const ParameterInfo* objective = findParameter("objective");
    if (params.objective == NOVELTY_OBJECTIVE && objective && runUses(*objective, params))
        return std::make_unique<NoveltySearch>(std::move(made), params.noveltyK, params.noveltyThreshold);
    return made;
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
