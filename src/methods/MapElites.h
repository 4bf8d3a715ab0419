#pragma once

#include "brain/NeuralNetwork.h"
#include "methods/EvolutionMethod.h"
#include "methods/MethodRandom.h"

#include <cstdint>
#include <vector>

namespace modules {

// MAP-Elites (Mouret & Clune, "Illuminating search spaces by mapping elites", 2015) over
// layered networks: a grid of cells over the behaviour space, each keeping the fittest
// network whose behaviour fell in it. Each generation is that many copies of elites drawn
// uniformly from the filled cells, crossed with a second such elite at the crossover rate
// (one cut, the first child kept) and mutated as the genetic algorithm mutates; a candidate
// takes its cell when the cell is empty or it is fitter than the cell's elite. The first
// generation is random networks. Draws from its own generator only.
class MapElites : public EvolutionMethod {
public:
    static constexpr int MAX_CELLS_PER_AXIS = 100;

    struct Elite {
        bool filled = false;
        float fitness = 0.0f;
        Behaviour behaviour; // scaled to [0, 1]
        std::vector<float> genome;
    };

    MapElites(const NeuralNetwork& shape, int populationSize, int cellsPerAxis, float crossoverRate, float mutationRate,
              float maxPerturbation, float weightRange, std::uint64_t seed, bool restoring);

    std::string name() const override { return "map-elites"; }
    std::vector<std::unique_ptr<Brain>> ask() override;
    // Without behaviours every candidate counts as at the space's low corner.
    void tell(const std::vector<float>& fitnesses) override;
    void tellOutcome(const std::vector<float>& fitnesses, const std::vector<Behaviour>& behaviours) override;
    nlohmann::json parameters() const override { return nlohmann::json::object(); }
    // The generator, the filled cells and the candidates of the next generation.
    nlohmann::json state() const override;
    bool restore(const nlohmann::json& state, std::string& reason) override;
    std::string description() const override;

    int cellsPerAxis() const { return cells; }
    // Row by row from the low corner: cell (i, j) is grid[j * cellsPerAxis() + i], i along x.
    const std::vector<Elite>& grid() const { return elites; }
    int cellOf(const Behaviour& behaviour) const;
    int filledCells() const { return filled; }
    // Filled cells over all cells.
    double coverage() const;
    // Sum over the elites of their fitness above `lowestFitness` (QD-score).
    double qdScore(float lowestFitness) const;
    // The brain of a filled cell's elite.
    std::unique_ptr<Brain> eliteBrain(int cell) const;

private:
    void breed();

    NeuralNetwork shape;
    int populationSize;
    int cells;
    float crossoverRate;
    float mutationRate;
    float maxPerturbation;
    MethodRandom random;
    std::vector<Elite> elites;
    int filled = 0;
    std::vector<std::vector<float>> candidates;
};

} // namespace modules
