#pragma once

#include "brain/NeuralNetwork.h"
#include "evolution/EvolutionParams.h"
#include "methods/EvolutionMethod.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace modules {

// Builds a method for a run. `shape` is the run's template network, drawn from rand() as the
// run's start draws it (its genome is where a method that moves a mean starts). With
// `restoring` the method is about to get a saved state and must draw nothing from rand().
using MethodMaker = std::unique_ptr<EvolutionMethod> (*)(const NeuralNetwork& shape, const EvolutionParams& params,
                                                         std::uint64_t seed, bool restoring);

// One evolution method as the user chooses it: by name on the command line and in files,
// by label in the panel.
struct MethodInfo {
    const char* name;    // "ga"
    const wchar_t* label; // the panel's combo box item
    std::string summary; // one line for --help
    float defaultSigma;        // 0 when the method has no sigma
    float defaultLearningRate; // 0 when the method has no learning rate
    MethodMaker make;
    // Of "sigma", "learning-rate" and "weight-range", those that a loaded run of this method
    // cannot take a new value for, each with the reason (its saved state holds the value the
    // search reached, or the option only drew the first generation).
    std::vector<std::pair<std::string, std::string>> fixedOnResume = {};
};

// Every method, the default (the genetic algorithm) first, in the panel's order.
const std::vector<MethodInfo>& evolutionMethods();
// The method called `name`, or null.
const MethodInfo* findMethod(const std::string& name);
// The options, by their command-line names without "--", that only some methods use, as the
// parameter table's `usedBy` says: "elite-count", "selector", "crossover-rate",
// "mutation-rate", "max-perturbation", "hidden-neurons" (NEAT grows its own hidden nodes),
// "sigma", "learning-rate". The other parameters belong to the arena and the network.
const std::vector<std::string>& methodOptions();
bool methodUses(const MethodInfo& method, const std::string& option);
// The methods that use `option`, by name: "cmaes, openai-es"; empty for none.
std::string methodsUsing(const std::string& option);

// The option that a loaded run of `saved.method` would be given a new value for in `wanted`
// although it cannot take one (see MethodInfo::fixedOnResume), or empty; `why` gets the reason
// and the saved value.
std::string fixedOptionChanged(const EvolutionParams& saved, const EvolutionParams& wanted, std::string& why);

// Every member name of a method's section in a population file, at any depth: its name,
// parameters and state. The file's reader passes over any other member there without building
// it; a method whose state gets a new member adds the name here (method_state_test checks it).
bool isMethodSectionKey(const std::string& name);

// The run's network shape, `inputs` (the task's), the hidden neurons and `outputs`, with every
// value 0: drawn from nothing, for checking a saved state against it.
NeuralNetwork networkShape(const EvolutionParams& params, int inputs, int outputs);

// The run's method: `method` made for `params`, bred for novelty when their objective says so
// (and the method has objectives). The one way runs make their method.
std::unique_ptr<EvolutionMethod> makeMethod(const MethodInfo& method, const NeuralNetwork& shape,
                                            const EvolutionParams& params, std::uint64_t seed, bool restoring);

// Makes `name` the record's method and its sigma and learning rate that method's defaults.
// False (and nothing changed) for an unknown name.
bool chooseMethod(EvolutionParams& params, const std::string& name);

} // namespace modules
