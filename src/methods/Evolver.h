#pragma once

#include "brain/NeuralNetwork.h"
#include "methods/EvolutionMethod.h"

#include <vector>

namespace modules {

// The genetic algorithm, the arena's first evolution method: one population of networks and
// the genetic parameters of a run. The fittest networks are carried over, the rest bred by
// roulette-wheel or tournament selection, one-point crossover and mutation. Every random
// number comes from the C library's rand(), in the order the arena's seeded runs have always
// drawn them.
class Evolver : public EvolutionMethod {
public:
    static constexpr int TOURNAMENT_SIZE = 2;

    // Fills the population with randomized copies of the template, member by member
    // (populationSize x genome length draws of fRand2; none for a population of 0 or less).
    Evolver(NeuralNetwork templateNetwork, int populationSize, int eliteCount, int selectorType, float crossoverRate,
            float mutationRate, float maxPerturbation);

    std::string name() const override { return "ga"; }
    std::vector<std::unique_ptr<Brain>> ask() override;
    // Scores into the networks, ranking, elites, then selection, crossover and mutation;
    // generation grows by one.
    void tell(const std::vector<float>& fitnesses) override;
    nlohmann::json parameters() const override;
    // The next generation's genomes in population order.
    nlohmann::json state() const override;
    bool restore(const nlohmann::json& state, std::string& reason) override;
    std::string description() const override { return "genetic algorithm"; }

    // Changes each gene with probability mutationRate by up to +-maxPerturbation.
    void mutate(NeuralNetwork& network) const;

    // The networks of the current generation; network i drives vehicle i.
    std::vector<NeuralNetwork> population;
    int populationSize;
    int eliteCount;
    int selectorType; // 0 roulette wheel, 1 tournament
    float crossoverRate;
    float mutationRate;
    float maxPerturbation;
    // Generations finished in this run: 0 at the start, one more after each tell.
    int generation = 0;

private:
    NeuralNetwork shape; // for restoring genomes into networks
};

} // namespace modules
