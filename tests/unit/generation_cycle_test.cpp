// An evolution run on the null device with fixed seeds: the start, the generation cycle
// (ranking, elites, offspring, crossover), the timing of generations in simulation steps,
// the report line, the stop, and the runs that cannot go on.

#include "TestEngine.h"

#include "brain/NeuralNetwork.h"
#include "evolution/EvolutionRun.h"
#include "gui/CameraController.h"
#include "gui/GUI.h"
#include "gui/GUIElementIDs.h"
#include "gui/ScreenLog.h"
#include "methods/Evolver.h"
#include "vehicle/Vehicle.h"
#include "world/ItemManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <tuple>
#include <utility>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

using modules::engine;
using modules::EvolutionParams;
using modules::EvolutionRun;
using modules::NeuralNetwork;
using modules::World;
using namespace irr;

namespace {

using Genome = std::vector<float>;

std::wstring logLine(int i)
{
    return std::wstring(engine.screenLog->lines[i]->getText());
}

class GenerationCycle : public testing_support::NullEngineTest {
protected:
    World& world() { return *engine.world; }
    EvolutionRun& run() { return *engine.world->run; }

    // A run that only ends a generation when the test asks for it.
    static EvolutionParams params(int populationSize, int eliteCount, int selectorType = 0)
    {
        EvolutionParams p;
        p.populationSize = populationSize;
        p.eliteCount = eliteCount;
        p.selectorType = selectorType;
        p.itemCount = 3;
        p.generationTime = 1000.0f;
        return p;
    }

    void start(const EvolutionParams& p) { modules::startEvolution(p, world()); }

    void setFitness(const std::vector<float>& values)
    {
        ASSERT_EQ(world().vehicles.size(), values.size());
        for (size_t i = 0; i < values.size(); ++i)
            world().vehicles[i]->fitness = values[i];
    }

    std::vector<Genome> genomes()
    {
        std::vector<Genome> all;
        for (const NeuralNetwork& network : world().evolver->population)
            all.push_back(network.getData());
        return all;
    }

    // Steps until the run finishes its first generation; -1 if it has not after `limit`.
    int stepsToFirstGeneration(int limit)
    {
        for (int steps = 1; steps <= limit; ++steps) {
            step();
            if (run().generation == 1)
                return steps;
        }
        return -1;
    }
};

TEST_F(GenerationCycle, StartBuildsOneVehiclePerNetworkOfTheDefaultTopology)
{
    startEngine(3);
    start(EvolutionParams());
    // The default method is not named on the log; kinetarium-batch prints its line.
    EXPECT_EQ(logLine(0), L"Evolution started!");
    EXPECT_EQ(logLine(1), L"");
    EXPECT_EQ(modules::methodLine(*run().method), L"Method: ga (genetic algorithm).");
    EXPECT_TRUE(modules::runChoiceLines(*run().method).empty());
    ASSERT_NE(world().run, nullptr);
    EXPECT_EQ(run().generation, 0);
    ASSERT_EQ(world().evolver->population.size(), 20u);
    ASSERT_EQ(world().vehicles.size(), 20u);
    ASSERT_NE(world().itemManager, nullptr);
    EXPECT_EQ(world().itemManager->items.size(), 60u);
    for (size_t i = 0; i < 20; ++i) {
        const NeuralNetwork& network = world().evolver->population[i];
        ASSERT_EQ(network.layers.size(), 3u);
        EXPECT_EQ(network.layers[0].size(), 4u);
        EXPECT_EQ(network.layers[1].size(), 4u);
        EXPECT_EQ(network.layers[2].size(), 2u);
        EXPECT_EQ(network.getData().size(), 34u);
        EXPECT_EQ(world().vehicles[i]->brain.getData(), network.getData()) << "vehicle " << i;
    }
    // Every member drew its own values.
    EXPECT_NE(world().evolver->population[0].getData(), world().evolver->population[1].getData());
}

TEST_F(GenerationCycle, PopulationSizeIsKeptForOddAndEvenSizesWithAndWithoutElites)
{
    startEngine(5);
    for (int selector : {0, 1}) {
        for (int size = 1; size <= 7; ++size) {
            for (int elites : {0, 1, 2, 3}) {
                start(params(size, elites, selector));
                for (int generation = 1; generation <= 2; ++generation) {
                    std::vector<float> fitness;
                    for (int i = 0; i < size; ++i)
                        fitness.push_back(static_cast<float>((i * 7) % 4));
                    setFitness(fitness);
                    modules::runGenerationCycle(world());
                    ASSERT_EQ(world().evolver->population.size(), static_cast<size_t>(size))
                        << "size " << size << ", elites " << elites << ", selector " << selector;
                    ASSERT_EQ(world().vehicles.size(), static_cast<size_t>(size));
                    for (size_t i = 0; i < world().vehicles.size(); ++i) {
                        EXPECT_EQ(world().vehicles[i]->brain.getData(), world().evolver->population[i].getData());
                        EXPECT_EQ(world().vehicles[i]->fitness, 0.0f);
                    }
                    EXPECT_EQ(run().generation, generation);
                    EXPECT_EQ(world().evolver->generation, generation);
                }
                modules::stopEvolution(world());
            }
        }
    }
}

TEST_F(GenerationCycle, ElitesAreTheTopRankedNetworksCarriedOverUnchangedAndFirst)
{
    startEngine(6);
    EvolutionParams p = params(6, 2);
    p.crossoverRate = 1.0f; // the offspring are crossed and every gene mutated,
    p.mutationRate = 1.0f;  // the elites must be untouched all the same
    for (int selector : {0, 1}) {
        p.selectorType = selector;
        start(p);
        const std::vector<Genome> before = genomes();
        setFitness({1, 5, 0, 3, 2, 4});
        modules::runGenerationCycle(world());
        const std::vector<Genome> after = genomes();
        EXPECT_EQ(after[0], before[1]);
        EXPECT_EQ(after[1], before[5]);
        for (size_t i = 2; i < after.size(); ++i)
            for (const Genome& old : before)
                EXPECT_NE(after[i], old) << "offspring " << i << " is an unchanged parent";
        modules::stopEvolution(world());
    }
}

TEST_F(GenerationCycle, EliteCountOfTheWholePopulationOrMoreBreedsNothing)
{
    startEngine(7);
    for (int elites : {4, 5, 100}) {
        start(params(4, elites));
        const std::vector<Genome> before = genomes();
        setFitness({2, 0, 3, 1});
        modules::runGenerationCycle(world());
        EXPECT_EQ(genomes(), (std::vector<Genome>{before[2], before[0], before[3], before[1]})) << elites;
        modules::stopEvolution(world());
    }
}

// For each position the strictly greatest of the rest is exchanged into it, the lowest
// position winning ties: 1, 1, 2 becomes the networks at 2, 1, 0.
TEST_F(GenerationCycle, RankingIsTheExchangingSelectionSort)
{
    startEngine(8);
    start(params(3, 3));
    const std::vector<Genome> before = genomes();
    setFitness({1, 1, 2});
    modules::runGenerationCycle(world());
    EXPECT_EQ(genomes(), (std::vector<Genome>{before[2], before[1], before[0]}));
}

TEST_F(GenerationCycle, AllZeroFitnessKeepsTheOrderAndTheWheelPicksTheFirstNetwork)
{
    startEngine(9);
    start(params(5, 5));
    std::vector<Genome> before = genomes();
    modules::runGenerationCycle(world()); // every vehicle scored 0
    EXPECT_EQ(genomes(), before);
    modules::stopEvolution(world());

    EvolutionParams p = params(5, 0);
    p.crossoverRate = 0.0f;
    p.mutationRate = 0.0f;
    start(p);
    before = genomes();
    modules::runGenerationCycle(world());
    for (const Genome& child : genomes())
        EXPECT_EQ(child, before[0]);
}

// With every score 0 the wheel always gives the first network, a tournament any of them;
// a selector type that is not the tournament's gets the wheel.
TEST_F(GenerationCycle, SelectorTypeOtherThanTournamentUsesTheWheel)
{
    startEngine(22);
    for (int selector : {0, 1, 2, -1}) {
        EvolutionParams p = params(8, 0, selector);
        p.crossoverRate = 0.0f;
        p.mutationRate = 0.0f;
        start(p);
        const std::vector<Genome> before = genomes();
        modules::runGenerationCycle(world());
        size_t copiesOfFirst = 0;
        for (const Genome& child : genomes())
            copiesOfFirst += child == before[0] ? 1 : 0;
        if (selector == 1) {
            EXPECT_LT(copiesOfFirst, 8u);
        } else {
            EXPECT_EQ(copiesOfFirst, 8u) << "selector " << selector;
        }
        modules::stopEvolution(world());
    }
}

// Values that make little sense are stored and run as they are.
TEST_F(GenerationCycle, DegenerateParametersStillRunGenerations)
{
    startEngine(23);
    struct Case {
        int hiddenNeurons;
        int itemCount;
        int eliteCount;
        float generationTime;
        size_t genes;
    };
    for (const Case& c : {Case{0, 0, -2, 0.1f, 6}, Case{-3, -1, 0, -1.0f, 6}, Case{1, 1, 1, 0.2f, 13}}) {
        EvolutionParams p = params(3, c.eliteCount);
        p.hiddenNeurons = c.hiddenNeurons;
        p.itemCount = c.itemCount;
        p.generationTime = c.generationTime;
        p.crossoverRate = 1.0f;
        start(p);
        EXPECT_EQ(world().evolver->population[0].getData().size(), c.genes);
        for (int i = 0; i < 30; ++i)
            step();
        EXPECT_GE(run().generation, 3) << "hidden " << c.hiddenNeurons;
        EXPECT_EQ(world().evolver->population.size(), 3u);
        EXPECT_EQ(world().vehicles.size(), 3u);
        modules::stopEvolution(world());
    }
}

// Breeding one pair from two parents of equal fitness (1 and 1: a spin up to 0.5 picks the
// first, above it the second). The generator's numbers are taken per pair in this order:
// selection of A, selection of B, the crossover test, the cut (only when crossing), the
// mutation of A, the mutation of B. A replay of the seed predicts every gene.
class PairBreeding : public GenerationCycle {
protected:
    static constexpr size_t LENGTH = 34;

    Genome positive = Genome(LENGTH);
    Genome negative = Genome(LENGTH);

    void startPair(float crossoverRate, float mutationRate)
    {
        startEngine(10);
        EvolutionParams p = params(2, 0);
        p.crossoverRate = crossoverRate;
        p.mutationRate = mutationRate;
        p.maxPerturbation = 10.0f;
        start(p);
        ASSERT_EQ(world().evolver->population[0].getData().size(), LENGTH);
        // Genes that differ in sign only, so a child shows which parent each came from.
        for (size_t i = 0; i < LENGTH; ++i) {
            positive[i] = 1000.0f + static_cast<float>(i);
            negative[i] = -positive[i];
        }
    }

    static std::vector<int> draws(unsigned seed, size_t count)
    {
        std::srand(seed);
        std::vector<int> values(count);
        for (int& v : values)
            v = std::rand();
        return values;
    }

    static float spin(int draw) { return static_cast<float>(static_cast<double>(draw % 10000) * 0.0001); }

    // A seed that selects the positive parent as A and the negative one as B, and whose
    // following draws satisfy `accept`.
    static unsigned seedFor(const std::function<bool(const std::vector<int>&)>& accept)
    {
        for (unsigned seed = 1; seed < 2000000; ++seed) {
            const std::vector<int> d = draws(seed, 4);
            if (spin(d[0]) <= 0.5f && spin(d[1]) > 0.5f && accept(d))
                return seed;
        }
        ADD_FAILURE() << "no seed found";
        return 1;
    }

    // Breeds the pair with the generator seeded with `seed`; returns the two children.
    std::pair<Genome, Genome> breed(unsigned seed)
    {
        world().evolver->population[0].setData(positive);
        world().evolver->population[1].setData(negative);
        setFitness({1, 1});
        std::srand(seed);
        modules::runGenerationCycle(world());
        return {world().evolver->population[0].getData(), world().evolver->population[1].getData()};
    }

    // Mutation at rate 1 with the draws from `next` on: test, sign, magnitude per gene.
    static Genome mutatedAtRateOne(Genome genes, const std::vector<int>& d, size_t next)
    {
        for (float& gene : genes) {
            ++next; // the test draw, always below 1
            const bool up = d[next++] % 2 == 1;
            const float magnitude = spin(d[next++]);
            gene = static_cast<float>(static_cast<double>(gene)
                                      + static_cast<double>(up ? magnitude : -magnitude) * 10.0);
        }
        return genes;
    }
};

TEST_F(PairBreeding, CrossoverSwapsEveryGeneFromACutBetweenOneAndLengthMinusOne)
{
    startPair(1.0f, 0.0f);
    for (unsigned cut : {1u, 2u, 17u, 32u, 33u}) {
        const unsigned seed =
            seedFor([cut](const std::vector<int>& d) { return static_cast<unsigned>(d[3]) % 33u + 1u == cut; });
        const auto [a, b] = breed(seed);
        Genome expectedA = positive;
        Genome expectedB = negative;
        for (size_t i = cut; i < LENGTH; ++i)
            std::swap(expectedA[i], expectedB[i]);
        EXPECT_EQ(a, expectedA) << "cut " << cut;
        EXPECT_EQ(b, expectedB) << "cut " << cut;
    }
}

TEST_F(PairBreeding, CutStaysWithinTheGenomeForEverySeed)
{
    startPair(1.0f, 0.0f);
    for (unsigned seed = 1; seed <= 200; ++seed) {
        const auto [a, b] = breed(seed);
        // Whatever the parents, each child switches at most once, never before gene 1,
        // and the two children hold complementary genes.
        size_t switches = 0;
        for (size_t i = 1; i < LENGTH; ++i)
            switches += (a[i] > 0) != (a[i - 1] > 0) ? 1 : 0;
        EXPECT_LE(switches, 1u) << "seed " << seed;
        const bool sameParent = (a[0] > 0) == (b[0] > 0);
        for (size_t i = 0; i < LENGTH; ++i) {
            EXPECT_EQ(std::fabs(a[i]), positive[i]);
            if (!sameParent) {
                EXPECT_EQ(b[i], -a[i]) << "seed " << seed << ", gene " << i;
            }
        }
        if (!sameParent) {
            EXPECT_EQ(switches, 1u) << "seed " << seed; // a cut of 0 or L would swap nothing or all
        }
    }
}

TEST_F(PairBreeding, CrossoverTestIsStrictlyBelowTheRate)
{
    // The crossover test draws 0.3 exactly; at a rate of 0.3 the parents stay whole.
    const unsigned seed = seedFor([](const std::vector<int>& d) { return d[2] % 10000 == 3000; });
    const float rate = spin(3000);

    startPair(rate, 0.0f);
    auto [a, b] = breed(seed);
    EXPECT_EQ(a, positive);
    EXPECT_EQ(b, negative);
    engine.shutdown();

    startPair(std::nextafter(rate, 1.0f), 0.0f);
    std::tie(a, b) = breed(seed);
    EXPECT_NE(a, positive);
    EXPECT_NE(b, negative);
}

TEST_F(PairBreeding, WithoutCrossoverBothChildrenAreMutatedInTurn)
{
    startPair(0.0f, 1.0f);
    const unsigned seed = seedFor([](const std::vector<int>&) { return true; });
    const std::vector<int> d = draws(seed, 3 + 6 * LENGTH);
    const auto [a, b] = breed(seed);
    // No cut is drawn: A's mutation starts right after the crossover test.
    EXPECT_EQ(a, mutatedAtRateOne(positive, d, 3));
    EXPECT_EQ(b, mutatedAtRateOne(negative, d, 3 + 3 * LENGTH));
}

TEST_F(PairBreeding, CrossedChildrenAreMutatedAfterTheCut)
{
    startPair(1.0f, 1.0f);
    const unsigned seed = seedFor([](const std::vector<int>&) { return true; });
    const std::vector<int> d = draws(seed, 4 + 6 * LENGTH);
    const unsigned cut = static_cast<unsigned>(d[3]) % 33u + 1u;
    Genome crossedA = positive;
    Genome crossedB = negative;
    for (size_t i = cut; i < LENGTH; ++i)
        std::swap(crossedA[i], crossedB[i]);
    const auto [a, b] = breed(seed);
    EXPECT_EQ(a, mutatedAtRateOne(crossedA, d, 4));
    EXPECT_EQ(b, mutatedAtRateOne(crossedB, d, 4 + 3 * LENGTH));
}

TEST_F(GenerationCycle, ReportsTheGenerationNumberAndTheBestScore)
{
    startEngine(12);
    start(params(3, 1));
    setFitness({1, 3, 2});
    modules::runGenerationCycle(world());
    EXPECT_EQ(run().generation, 1);
    EXPECT_EQ(logLine(0), L"Generation 1. Best vehicle fitness in last generation was 3.0");
    EXPECT_EQ(logLine(1), L"Evolution started!");
    EXPECT_EQ(logLine(2), L"");

    setFitness({0, 2.5f, 0});
    modules::runGenerationCycle(world());
    EXPECT_EQ(logLine(0), L"Generation 2. Best vehicle fitness in last generation was 2.5");
    EXPECT_EQ(logLine(1), L"Generation 1. Best vehicle fitness in last generation was 3.0");

    // The counter starts again with every run.
    modules::stopEvolution(world());
    start(params(3, 1));
    EXPECT_EQ(run().generation, 0);
    modules::runGenerationCycle(world());
    EXPECT_EQ(logLine(0), L"Generation 1. Best vehicle fitness in last generation was 0.0");
}

TEST_F(GenerationCycle, GenerationLastsTheStepsWhoseFloatSumReachesItsLength)
{
    startEngine(13);
    const float stepTime = modules::Engine::SIMULATION_STEP;
    // A length that the clock reaches exactly ends the generation in that step.
    const std::pair<float, int> expectations[] = {{20.0f, 600}, {10.0f, 300}, {30.0f, 901}, {5.0f, 151},
                                                  {0.0f, 1},    {stepTime, 1}, {stepTime + stepTime, 2}};
    for (const auto& [seconds, steps] : expectations) {
        EvolutionParams p = params(2, 1);
        p.generationTime = seconds;
        start(p);
        EXPECT_EQ(stepsToFirstGeneration(2000), steps) << seconds << " s";
        // The clock starts again for the next generation.
        EXPECT_EQ(world().generationClock, 0.0f);
        modules::stopEvolution(world());
    }
}

TEST_F(GenerationCycle, ZeroLengthEndsAGenerationInEveryStep)
{
    startEngine(14);
    EvolutionParams p = params(3, 1);
    p.generationTime = 0.0f;
    start(p);
    for (int i = 1; i <= 5; ++i) {
        step();
        EXPECT_EQ(run().generation, i);
    }
}

TEST_F(GenerationCycle, NoEvolutionWorkWithoutAnEvolver)
{
    startEngine(15);
    step();
    EXPECT_EQ(world().generationClock, 0.0f);
    EXPECT_TRUE(world().vehicles.empty());
}

TEST_F(GenerationCycle, StopClearsVehiclesItemsEvolverAndLog)
{
    startEngine(16);
    scene::ISceneNode* root = engine.sceneManager->getRootSceneNode();
    const size_t nodesBefore = root->getChildren().size();
    start(params(4, 1));
    for (int i = 0; i < 5; ++i)
        step();
    engine.drawFrame(); // picks the highlighted and followed vehicle
    ASSERT_NE(world().highlightedVehicle, nullptr);
    ASSERT_NE(engine.cameraController->followedVehicle, nullptr);
    ASSERT_GT(root->getChildren().size(), nodesBefore);

    modules::stopEvolution(world());
    EXPECT_EQ(world().run, nullptr);
    EXPECT_TRUE(world().vehicles.empty());
    EXPECT_EQ(world().itemManager, nullptr);
    EXPECT_EQ(world().highlightedVehicle, nullptr);
    EXPECT_EQ(engine.cameraController->followedVehicle, nullptr);
    EXPECT_EQ(root->getChildren().size(), nodesBefore); // vehicle and item nodes are gone
    for (int i = 0; i < modules::ScreenLog::LINE_COUNT; ++i)
        EXPECT_EQ(logLine(i), L"") << "line " << i;

    // Nothing runs any more, and the frame draws an empty arena.
    step();
    engine.drawFrame();
    EXPECT_TRUE(world().vehicles.empty());
}

TEST_F(GenerationCycle, EmptyPopulationRaisesTheErrorAndBreedsNothing)
{
    startEngine(17);
    start(params(0, 0));
    EXPECT_TRUE(world().evolver->population.empty());
    EXPECT_TRUE(world().vehicles.empty());
    try {
        modules::runGenerationCycle(world());
        FAIL() << "no error raised";
    } catch (const modules::EmptyPopulationError& e) {
        EXPECT_STREQ(e.what(), "Error: NeuralNetwork::getFittest: population of zero size");
    }
    EXPECT_EQ(run().generation, 0);
}

TEST_F(GenerationCycle, EmptyPopulationEndsTheRunAtTheFirstGenerationEnd)
{
    startEngine(18);
    EvolutionParams p = params(0, 2);
    p.generationTime = 0.0f;
    start(p);
    testing::internal::CaptureStdout();
    step();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Error: NeuralNetwork::getFittest: population of zero size\n");
    EXPECT_EQ(world().run, nullptr);
    EXPECT_EQ(logLine(0), L"Error: NeuralNetwork::getFittest: population of zero size");
    for (int i = 1; i < modules::ScreenLog::LINE_COUNT; ++i)
        EXPECT_EQ(logLine(i), L"") << "line " << i; // "Evolution started!" went with the run
    step();
    EXPECT_EQ(world().run, nullptr);
}

TEST_F(GenerationCycle, EmptyPopulationBringsTheParameterDialogBack)
{
    startEngine(19, true);
    modules::GUI& gui = *engine.gui;
    gui.populationSizeEdit->setText(L"0");
    gui.generationTimeEdit->setText(L"0");
    gui.evolutionParamsChanged();
    ASSERT_EQ(gui.params.populationSize, 0);

    const auto click = [&](s32 id) {
        SEvent event{};
        event.EventType = EET_GUI_EVENT;
        event.GUIEvent.EventType = gui::EGET_BUTTON_CLICKED;
        event.GUIEvent.Caller = modules::GUIElementIDs::getElementFromID(id, nullptr);
        gui.OnEvent(event);
    };
    click(modules::GUIElementIDs::START_BUTTON);
    ASSERT_NE(world().run, nullptr);
    click(modules::GUIElementIDs::FAST_MODE_BUTTON);
    ASSERT_TRUE(engine.fastMode);

    testing::internal::CaptureStdout();
    step();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: NeuralNetwork::getFittest: population of zero size\n");
    EXPECT_EQ(world().run, nullptr);
    EXPECT_EQ(logLine(0), L"Error: NeuralNetwork::getFittest: population of zero size");
    EXPECT_FALSE(engine.fastMode);
    EXPECT_TRUE(gui.setupWindow->isVisible());
    EXPECT_FALSE(gui.cameraWindow->isVisible());
    EXPECT_FALSE(gui.runWindow->isVisible());
    EXPECT_FALSE(gui.fastModeWindow->isVisible());

    // A corrected population starts a run as usual.
    gui.populationSizeEdit->setText(L"3");
    gui.evolutionParamsChanged();
    click(modules::GUIElementIDs::START_BUTTON);
    ASSERT_NE(world().run, nullptr);
    EXPECT_EQ(world().vehicles.size(), 3u);
    step();
    EXPECT_EQ(run().generation, 1);
}

TEST_F(GenerationCycle, InfiniteFloatParametersRunWithoutLeavingTheArena)
{
    startEngine(20);
    const float inf = std::numeric_limits<float>::infinity();
    EvolutionParams p = params(6, 1);
    p.generationTime = 0.5f;
    p.itemCount = 10;
    p.crossoverRate = inf;
    p.mutationRate = inf;
    p.maxPerturbation = inf;
    p.weightRange = inf;
    start(p);
    int steps = 0;
    while (run().generation < 5 && steps < 200) {
        step();
        ++steps;
        for (const modules::Vehicle* vehicle : world().vehicles) {
            const core::vector3df position = vehicle->node->getAbsolutePosition();
            ASSERT_TRUE(std::isfinite(position.X) && std::isfinite(position.Y) && std::isfinite(position.Z))
                << "step " << steps;
        }
    }
    EXPECT_EQ(run().generation, 5);
    EXPECT_EQ(world().vehicles.size(), 6u);
    // The genes themselves are no longer finite numbers.
    bool nonFinite = false;
    for (const Genome& genome : genomes())
        for (float gene : genome)
            nonFinite = nonFinite || !std::isfinite(gene);
    EXPECT_TRUE(nonFinite);
}

// A default run for three generations; each report names the score of the fittest
// network, which the first elite carries into the next population.
TEST_F(GenerationCycle, DefaultRunReportsEachGeneration)
{
    startEngine(21);
    start(EvolutionParams());
    for (int generation = 1; generation <= 3; ++generation) {
        for (int i = 0; i < 600; ++i)
            step();
        ASSERT_EQ(run().generation, generation);
        const std::wstring line = logLine(0);
        EXPECT_EQ(line, L"Generation " + std::to_wstring(generation) + L". Best vehicle fitness in last generation was "
                            + modules::GUI::numberToString(world().evolver->population[0].fitness).c_str());
        std::cout << std::string(line.begin(), line.end()) << '\n';
    }
}

} // namespace
