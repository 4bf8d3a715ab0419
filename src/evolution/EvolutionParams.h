#pragma once

namespace modules {

// The ten parameters of an evolution run, as the user sets them in the panel.
struct EvolutionParams {
    float generationTime = 20.0f;
    int itemCount = 60;
    int populationSize = 20;
    int eliteCount = 2;
    int selectorType = 0; // 0 roulette wheel, 1 tournament
    float crossoverRate = 0.8f;
    float mutationRate = 0.05f;
    float maxPerturbation = 10.0f;
    int hiddenNeurons = 4;
    float weightRange = 1.0f;
};

// The selectors' names in files and on command lines, indexed by `selectorType`.
inline constexpr const char* SELECTOR_NAMES[] = {"roulette", "tournament"};

} // namespace modules
