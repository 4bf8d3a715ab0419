// The genetic algorithm as the holder of a population and its genetic parameters, and the
// arena filled straight from the population's networks.

#include "TestEngine.h"

#include "brain/NeuralNetwork.h"
#include "core/Engine.h"
#include "evolution/EvolutionRun.h"
#include "methods/Evolver.h"
#include "methods/MethodRegistry.h"
#include "vehicle/Vehicle.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

using modules::engine;
using modules::Evolver;
using modules::NeuralNetwork;

namespace {

NeuralNetwork templateNetwork(int hiddenNeurons)
{
    NeuralNetwork network(2.0f);
    network.addLayer(4);
    network.addLayer(hiddenNeurons);
    network.addLayer(2);
    return network;
}

class EvolverForms : public testing_support::NullEngineTest {};

} // namespace

TEST(EvolverFields, ConstructionKeepsTheParametersAndFillsThePopulation)
{
    struct Case { int size, elites, selector; float crossover, mutation, perturbation; int hidden; size_t members; };
    for (const Case& c : {Case{20, 2, 0, 0.8f, 0.05f, 10.0f, 6, 20}, Case{3, 5, 1, 0.0f, 1.0f, 0.5f, 1, 3},
                          Case{0, 0, 0, 0.5f, 0.5f, 1.0f, 4, 0}, Case{-2, 1, 1, 0.5f, 0.5f, 1.0f, 4, 0}}) {
        const Evolver evolver(templateNetwork(c.hidden), c.size, c.elites, c.selector, c.crossover, c.mutation,
                              c.perturbation);
        EXPECT_TRUE(evolver.populationSize == c.size && evolver.eliteCount == c.elites
                    && evolver.selectorType == c.selector && evolver.crossoverRate == c.crossover
                    && evolver.mutationRate == c.mutation && evolver.maxPerturbation == c.perturbation)
            << "population " << c.size;
        EXPECT_EQ(evolver.generation, 0);
        ASSERT_EQ(evolver.population.size(), c.members) << "population " << c.size;
        for (const NeuralNetwork& network : evolver.population) {
            ASSERT_EQ(network.layers.size(), 3u);
            EXPECT_EQ(network.layers[1].size(), static_cast<size_t>(c.hidden));
            EXPECT_EQ(network.weightRange, 2.0f);
        }
        if (c.members > 1) { // every member drawn for itself
            EXPECT_NE(evolver.population[0].getData(), evolver.population[1].getData());
        }
    }
}

TEST(EvolverFields, MutateChangesNoGeneAtRateZeroAndEveryGeneByLessThanTheScaleAtRateOne)
{
    std::srand(3);
    NeuralNetwork network = templateNetwork(3);
    network.fitness = 4.0f;
    NeuralNetwork unchanged = network;
    Evolver(templateNetwork(3), 0, 0, 0, 0.0f, 0.0f, 10.0f).mutate(unchanged);
    EXPECT_EQ(unchanged.getData(), network.getData());

    NeuralNetwork mutated = network;
    Evolver(templateNetwork(3), 0, 0, 0, 0.0f, 1.0f, 0.5f).mutate(mutated);
    const std::vector<float> before = network.getData(), after = mutated.getData();
    ASSERT_EQ(after.size(), before.size());
    for (size_t g = 0; g < before.size(); ++g) {
        EXPECT_NE(after[g], before[g]) << "gene " << g;
        EXPECT_LT(std::fabs(after[g] - before[g]), 0.5f) << "gene " << g;
    }
    EXPECT_EQ(mutated.fitness, 4.0f);
    EXPECT_EQ(mutated.layers.size(), 3u);
}

TEST_F(EvolverForms, CreateVehiclesDrivesVehicleIByNetworkI)
{
    startEngine(11);
    modules::World& world = *engine.world;
    const Evolver evolver(templateNetwork(5), 3, 0, 0, 0.0f, 0.0f, 0.0f);
    world.itemCount = 2;
    world.vehicleCount = 3;
    world.createVehicles(evolver.population);
    ASSERT_EQ(world.vehicles.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(world.vehicles[i]->brain.getData(), evolver.population[i].getData()) << "vehicle " << i;
        EXPECT_EQ(world.vehicles[i]->controller, nullptr);
    }
    world.destroyVehicles();

    // Another method's run has no Evolver; its brains steer as controllers.
    modules::EvolutionParams cmaes;
    cmaes.method = "cmaes";
    cmaes.sigma = modules::findMethod("cmaes")->defaultSigma;
    modules::startEvolution(cmaes, world);
    ASSERT_NE(world.run, nullptr);
    EXPECT_EQ(world.evolver, nullptr);
    ASSERT_FALSE(world.vehicles.empty());
    EXPECT_NE(world.vehicles[0]->controller, nullptr);
    modules::stopEvolution(world);
    EXPECT_EQ(world.run, nullptr);
}
