#pragma once

#include <string>

namespace modules {

// The ten parameters of an evolution run, as the user sets them in the panel, and the
// evolution method with its own parameters.
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
    // The method by its name ("ga", "cmaes", "openai-es"); sigma and the learning rate are
    // used by the methods that have them (0 otherwise), see MethodRegistry.
    std::string method = "ga";
    float sigma = 0.0f;
    float learningRate = 0.0f;
    // What the genetic algorithm and NEAT breed for: 0 fitness, 1 novelty (OBJECTIVE_NAMES),
    // with novelty search's neighbours and starting threshold; MAP-Elites' grid.
    int objective = 0;
    int noveltyK = 15;
    float noveltyThreshold = 0.03f;
    int mapCells = 10;
    // The task by its name ("collect", "forage", "maze") and the tasks' own parameters, used
    // by the tasks that have them (see the parameter table).
    std::string task = "collect";
    float poisonShare = 0.5f;
    std::string mazeFile = "maze.json";
};

// The selectors' names in files and on command lines, indexed by `selectorType`.
inline constexpr const char* SELECTOR_NAMES[] = {"roulette", "tournament"};
// The objectives' names, indexed by `objective`.
inline constexpr const char* OBJECTIVE_NAMES[] = {"fitness", "novelty"};
inline constexpr int NOVELTY_OBJECTIVE = 1;

} // namespace modules
