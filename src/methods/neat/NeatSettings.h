#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace modules {

// NEAT's knobs. Where Stanley and Miikkulainen (2002) give a value, the default is theirs;
// the others are marked "ours".
struct NeatSettings {
    // Mutation.
    double weightMutationRate = 0.8;   // a genome has its weights mutated
    double weightPerturbRate = 0.9;    // ... then each weight is perturbed, else replaced
    double perturbationPower = 1.0;    // ours: a perturbation is uniform in +-power x weight range
    double weightLimit = 2.0;          // ours: perturbations stop at +-limit x weight range
    double addNodeRate = 0.03;
    double addConnectionRate = 0.05;   // the paper's value for small populations
    double reenableRate = 0.01;        // ours: one disabled connection switched back on
    // Reproduction.
    double disabledInheritRate = 0.75; // a gene disabled in either parent stays disabled
    double mutationOnlyRate = 0.25;    // offspring made by mutation without crossover
    double interspeciesRate = 0.001;
    double survivalFraction = 0.2;     // ours: the best part of a species that may breed
    int championMinimumSize = 6;       // "more than five" members keep their champion
    int stagnationLimit = 15;          // generations without improvement
    // Speciation.
    double excessCoefficient = 1.0;    // c1
    double disjointCoefficient = 1.0;  // c2
    double weightCoefficient = 0.4;    // c3
    int smallGenomeSize = 20;          // below this many genes N = 1
    double initialThreshold = 3.0;     // delta_t
    double thresholdStep = 0.3;        // ours: change per generation, also the lowest value
    int targetSpecies = 5;             // ours
};

// By option name, e.g. {"add-node-rate": 0.03}.
nlohmann::json neatSettingsToJson(const NeatSettings& settings);
// Reads what neatSettingsToJson wrote; keys it lacks keep their defaults. False with a
// reason for an unknown key or a value out of range; `settings` is then unchanged.
bool neatSettingsFromJson(const nlohmann::json& json, NeatSettings& settings, std::string& reason);
// Empty when every value is usable, else what is wrong with the first that is not.
std::string checkNeatSettings(const NeatSettings& settings);

} // namespace modules
