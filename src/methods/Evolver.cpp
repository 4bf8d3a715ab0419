#include "methods/Evolver.h"

#include "core/Random.h"
#include "evolution/Selector.h"

#include <cmath>
#include <cstdlib>
#include <utility>

namespace modules {

namespace {

// Fittest first; of equal values the lowest position wins each pass.
void rankByFitness(std::vector<NeuralNetwork>& population)
{
    const size_t n = population.size();
    for (size_t i = 0; i < n; ++i) {
        size_t best = i;
        for (size_t j = i + 1; j < n; ++j)
            if (population[j].fitness > population[best].fitness)
                best = j;
        if (best != i)
            std::swap(population[i], population[best]);
    }
}

void crossover(NeuralNetwork& a, NeuralNetwork& b)
{
    std::vector<float> genesA = a.getData();
    std::vector<float> genesB = b.getData();
    const unsigned length = static_cast<unsigned>(genesA.size());
    if (length < 2)
        return; // no cut point exists
    const unsigned cut = static_cast<unsigned>(std::rand()) % (length - 1) + 1;
    for (unsigned p = cut; p < length; ++p)
        std::swap(genesA[p], genesB[p]);
    a.setData(genesA);
    b.setData(genesB);
}

std::unique_ptr<Selector> makeSelector(int selectorType, const std::vector<NeuralNetwork>& population)
{
    // Only 0 and 1 come from the panel; anything else gets the default roulette wheel.
    if (selectorType == 1)
        return std::make_unique<TournamentSelector>(population, Evolver::TOURNAMENT_SIZE);
    return std::make_unique<RouletteWheelSelector>(population);
}

// What the selector spins over. The roulette wheel gives each network a share of the wheel
// in proportion to its fitness, which fitness below 0 (a task with penalties) cannot be:
// there the wheel would nearly always give the first network. With fitness below 0 it spins
// over copies whose fitness counts from the generation's lowest, so that the worst network
// gets no share and the others keep their order; fitness of 0 and above is used as it is.
const std::vector<NeuralNetwork>& selectionPool(int selectorType, const std::vector<NeuralNetwork>& ranked,
                                                std::vector<NeuralNetwork>& shifted)
{
    if (selectorType == 1 || ranked.empty() || !(ranked.back().fitness < 0.0f))
        return ranked;
    const float lowest = ranked.back().fitness;
    shifted = ranked;
    for (NeuralNetwork& network : shifted)
        network.fitness -= lowest;
    return shifted;
}

} // namespace

Evolver::Evolver(NeuralNetwork templateNetwork, int populationSize, int eliteCount, int selectorType,
                 float crossoverRate, float mutationRate, float maxPerturbation)
    : populationSize(populationSize)
    , eliteCount(eliteCount)
    , selectorType(selectorType)
    , crossoverRate(crossoverRate)
    , mutationRate(mutationRate)
    , maxPerturbation(maxPerturbation)
    , shape(templateNetwork)
{
    if (populationSize > 0)
        population.reserve(static_cast<size_t>(populationSize));
    for (int j = 0; j < populationSize; ++j) {
        population.push_back(templateNetwork);
        population.back().randomize();
    }
}

std::vector<std::unique_ptr<Brain>> Evolver::ask()
{
    std::vector<std::unique_ptr<Brain>> brains;
    brains.reserve(population.size());
    for (const NeuralNetwork& network : population)
        brains.push_back(network.clone());
    return brains;
}

void Evolver::mutate(NeuralNetwork& network) const
{
    std::vector<float> genes = network.getData();
    for (float& gene : genes) {
        if (fRand() < mutationRate) {
            const float change = fRand2();
            gene = static_cast<float>(static_cast<double>(gene)
                                      + static_cast<double>(change) * static_cast<double>(maxPerturbation));
        }
    }
    network.setData(genes);
}

void Evolver::tell(const std::vector<float>& fitnesses)
{
    for (size_t i = 0; i < fitnesses.size() && i < population.size(); ++i)
        population[i].fitness = fitnesses[i];
    rankByFitness(population);

    std::vector<NeuralNetwork> next;
    next.reserve(population.size());
    {
        std::vector<NeuralNetwork> shifted;
        std::unique_ptr<Selector> selector = makeSelector(selectorType, selectionPool(selectorType, population, shifted));
        int k = 0;
        for (; k < eliteCount && k < populationSize; ++k)
            next.push_back(population[static_cast<size_t>(k)]);
        for (; k < populationSize; k += 2) {
            NeuralNetwork a = selector->select();
            NeuralNetwork b = selector->select();
            if (fRand() < crossoverRate)
                crossover(a, b);
            mutate(a);
            mutate(b);
            next.push_back(std::move(a));
            if (k < populationSize - 1)
                next.push_back(std::move(b));
        }
    }
    population = std::move(next);
    ++generation;
}

nlohmann::json Evolver::parameters() const
{
    // The genetic parameters are among the run's ten and saved with them.
    return nlohmann::json::object();
}

nlohmann::json Evolver::state() const
{
    nlohmann::json genomes = nlohmann::json::array();
    for (const NeuralNetwork& network : population)
        genomes.push_back(network.getData());
    return {{"genomes", std::move(genomes)}};
}

bool Evolver::restore(const nlohmann::json& state, std::string& reason)
{
    const auto found = state.is_object() ? state.find("genomes") : state.end();
    if (!state.is_object() || found == state.end() || !found->is_array()) {
        reason = "the state has no \"genomes\" list";
        return false;
    }
    const nlohmann::json& genomes = *found;
    const size_t wanted = populationSize > 0 ? static_cast<size_t>(populationSize) : 0;
    if (genomes.size() != wanted) {
        reason = std::to_string(genomes.size()) + " genomes for a population of " + std::to_string(populationSize);
        return false;
    }
    const size_t genes = static_cast<size_t>(shape.geneCount());
    const std::string needs = shape.layers.size() == 3
        ? std::to_string(shape.layers[1].size()) + " hidden neurons need " + std::to_string(genes)
        : "the network needs " + std::to_string(genes);
    std::vector<NeuralNetwork> restored(genomes.size(), shape);
    std::vector<float> values(genes);
    for (size_t i = 0; i < genomes.size(); ++i) {
        const nlohmann::json& genome = genomes[i];
        if (!genome.is_array() || genome.size() != genes) {
            reason = "genome " + std::to_string(i + 1) + " has "
                + (genome.is_array() ? std::to_string(genome.size()) : std::string("no")) + " genes, but " + needs;
            return false;
        }
        for (size_t g = 0; g < genes; ++g) {
            const nlohmann::json& gene = genome[g];
            const std::string name = "genome " + std::to_string(i + 1) + " gene " + std::to_string(g + 1);
            if (!gene.is_number()) {
                reason = name + " is not a number";
                return false;
            }
            const double value = gene.get<double>();
            // A mutation can carry a gene past the largest float, never to a value that is not
            // a number: such genes are part of a run that can be reached, and saved.
            if (std::isnan(value) || (std::isfinite(value) && !std::isfinite(static_cast<float>(value)))) {
                reason = name + " is not a number a gene can hold";
                return false;
            }
            values[g] = static_cast<float>(value);
        }
        restored[i].setData(values);
        restored[i].fitness = 0.0f;
    }
    population = std::move(restored);
    return true;
}

} // namespace modules
