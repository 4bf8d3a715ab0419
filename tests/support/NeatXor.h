#pragma once

// NEAT on the paper's benchmark, apart from the arena: XOR with 2 inputs and 1 output, as the
// XOR test and the comparison with the reference libraries (bench/reference/) run it.

#include "methods/neat/NeatMethod.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace testing_support {

// The paper's sigmoid, 1 / (1 + e^(-4.9 x)), is this network's with weights 4.9 times
// larger: a weight range of 8 gives hidden units about as sharp as the paper's.
constexpr float XOR_WEIGHT_RANGE = 8.0f;

struct XorOutcome {
    float fitness = 0.0f;
    bool solved = true;
};

// The paper's fitness, (4 - total error)^2; solved when every case lies on the right
// side of the output's midpoint.
inline XorOutcome evaluateXor(modules::Brain& brain)
{
    static const float cases[4][3] = {{0, 0, 0}, {0, 1, 1}, {1, 0, 1}, {1, 1, 0}};
    XorOutcome outcome;
    double error = 0.0;
    std::vector<float> inputs(2), outputs(1, 0.0f);
    for (const auto& c : cases) {
        inputs = {c[0], c[1]};
        brain.process(inputs, outputs);
        error += std::fabs(outputs[0] - c[2]);
        outcome.solved = outcome.solved && (outputs[0] > 0.5f) == (c[2] > 0.5f);
    }
    outcome.fitness = static_cast<float>((4.0 - error) * (4.0 - error));
    return outcome;
}

struct XorRun {
    int generation = 0;  // 1 = the first evaluated; 0 when not solved within the limit
    int evaluations = 0; // networks evaluated up to the first that solves it (all of them when none does)
};

inline XorRun solveXor(std::uint64_t seed, int populationSize, int generationLimit)
{
    modules::NeatMethod neat(2, 1, populationSize, XOR_WEIGHT_RANGE, seed);
    XorRun run;
    for (int generation = 1; generation <= generationLimit; ++generation) {
        auto brains = neat.ask();
        std::vector<float> fitnesses;
        for (auto& brain : brains) {
            const XorOutcome outcome = evaluateXor(*brain);
            fitnesses.push_back(outcome.fitness);
            if (run.generation == 0) {
                ++run.evaluations;
                if (outcome.solved)
                    run.generation = generation;
            }
        }
        if (run.generation > 0)
            return run;
        neat.tell(fitnesses);
    }
    return run;
}

} // namespace testing_support
