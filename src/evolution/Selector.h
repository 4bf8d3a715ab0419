#pragma once

#include "brain/NeuralNetwork.h"

#include <vector>

namespace modules {

// Picks parents, one per call, from a population ranked fittest first.
class Selector {
public:
    explicit Selector(const std::vector<NeuralNetwork>& population);
    virtual ~Selector() = default;
    virtual NeuralNetwork select() = 0;

protected:
    const std::vector<NeuralNetwork>& population;
};

class TournamentSelector : public Selector {
public:
    TournamentSelector(const std::vector<NeuralNetwork>& population, int tournamentSize);
    NeuralNetwork select() override;

    int tournamentSize;
};

class RouletteWheelSelector : public Selector {
public:
    explicit RouletteWheelSelector(const std::vector<NeuralNetwork>& population);
    NeuralNetwork select() override;

    float totalFitness = 0.0f;
};

} // namespace modules
