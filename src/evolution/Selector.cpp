#include "evolution/Selector.h"

#include "core/Random.h"

#include <cstdio>
#include <cstdlib>

namespace modules {

namespace {

size_t uniformIndex(size_t n)
{
    return static_cast<unsigned>(std::rand()) % n;
}

} // namespace

Selector::Selector(const std::vector<NeuralNetwork>& population)
    : population(population)
{
}

TournamentSelector::TournamentSelector(const std::vector<NeuralNetwork>& population, int tournamentSize)
    : Selector(population)
    , tournamentSize(tournamentSize)
{
    if (static_cast<size_t>(this->tournamentSize) > population.size())
        this->tournamentSize = static_cast<int>(population.size());
}

NeuralNetwork TournamentSelector::select()
{
    // All contestants are drawn before any comparison.
    std::vector<size_t> contestants;
    contestants.reserve(static_cast<size_t>(tournamentSize));
    for (int i = 0; i < tournamentSize; ++i)
        contestants.push_back(uniformIndex(population.size()));

    size_t winner = contestants.front();
    for (size_t index : contestants)
        if (population[index].fitness > population[winner].fitness)
            winner = index;
    return population[winner];
}

RouletteWheelSelector::RouletteWheelSelector(const std::vector<NeuralNetwork>& population)
    : Selector(population)
{
    for (const NeuralNetwork& network : population)
        totalFitness += network.fitness;
}

NeuralNetwork RouletteWheelSelector::select()
{
    const float spin = fRand();
    const double target = static_cast<double>(spin) * static_cast<double>(totalFitness);
    double sum = 0.0;
    for (const NeuralNetwork& network : population) {
        sum += network.fitness;
        if (sum >= target)
            return network;
    }
    std::puts("Note: RouletteWheelSelector::select: roulette wheel failed");
    return population[uniformIndex(population.size())];
}

} // namespace modules
