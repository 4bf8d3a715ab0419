// NEAT crossover on hand-made parents: the example of the paper's Figure 4 (node ids one
// lower: inputs 0-2, output 3, hidden 4 and 5); ties, and genome size over a run of ties.

#include "methods/MethodRandom.h"
#include "methods/neat/NeatCrossover.h"
#include "methods/neat/NeatGenome.h"
#include "methods/neat/NeatPopulation.h"
#include "methods/neat/NeatSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

using namespace modules;

namespace {

NeatGenome parent(std::initializer_list<ConnectionGene> connections, std::initializer_list<int> hidden, float thresholdTag)
{
    NeatGenome genome;
    for (int id = 0; id < 3; ++id)
        genome.nodes.push_back({id, NodeGene::INPUT, 0.0f});
    genome.nodes.push_back({3, NodeGene::OUTPUT, thresholdTag});
    for (int id : hidden)
        genome.nodes.push_back({id, NodeGene::HIDDEN, thresholdTag});
    genome.connections = connections;
    return genome;
}

// Weights tell the parents apart: innovation + 0.25 in A, innovation + 0.5 in B.
NeatGenome parentA()
{
    return parent({{0, 3, 1.25f, true, 1}, {1, 3, 2.25f, false, 2}, {2, 3, 3.25f, true, 3}, {1, 4, 4.25f, true, 4},
                   {4, 3, 5.25f, true, 5}, {0, 4, 8.25f, true, 8}},
                  {4}, 0.25f);
}

NeatGenome parentB()
{
    return parent({{0, 3, 1.5f, true, 1}, {1, 3, 2.5f, false, 2}, {2, 3, 3.5f, true, 3}, {1, 4, 4.5f, true, 4},
                   {4, 3, 5.5f, false, 5}, {4, 5, 6.5f, true, 6}, {5, 3, 7.5f, true, 7}, {2, 4, 9.5f, true, 9},
                   {0, 5, 10.5f, true, 10}},
                  {4, 5}, 0.5f);
}

std::set<int> innovations(const NeatGenome& genome)
{
    std::set<int> numbers;
    for (const ConnectionGene& c : genome.connections)
        numbers.insert(c.innovation);
    return numbers;
}

std::set<int> nodeIds(const NeatGenome& genome)
{
    std::set<int> ids;
    for (const NodeGene& n : genome.nodes)
        ids.insert(n.id);
    return ids;
}

} // namespace

TEST(NeatCrossover, AlignsByInnovationAndTakesDisjointAndExcessGenesFromTheFitterParent)
{
    const NeatSettings settings;
    MethodRandom random(11);
    const NeatGenome a = parentA();
    const NeatGenome b = parentB();
    const std::set<int> fromA{1, 2, 3, 4, 5, 8};
    const std::set<int> fromB{1, 2, 3, 4, 5, 6, 7, 9, 10};
    std::map<int, std::set<float>> weightsSeen;
    for (int trial = 0; trial < 200; ++trial) {
        const NeatGenome aFitter = crossover(a, 2.0, b, 1.0, settings, random);
        const NeatGenome bFitter = crossover(a, 1.0, b, 2.0, settings, random);
        const NeatGenome equal = crossover(a, 1.0, b, 1.0, settings, random);
        ASSERT_EQ(innovations(aFitter), fromA);
        ASSERT_EQ(innovations(bFitter), fromB);
        ASSERT_EQ(innovations(equal), fromA); // a tie: the smaller parent's
        ASSERT_EQ(nodeIds(aFitter), (std::set<int>{0, 1, 2, 3, 4}));
        ASSERT_EQ(nodeIds(bFitter), (std::set<int>{0, 1, 2, 3, 4, 5}));
        for (const NeatGenome* child : {&aFitter, &bFitter, &equal}) {
            ASSERT_EQ(checkGenome(*child, 3, 1, 6, 11), "");
            for (const ConnectionGene& c : child->connections) {
                // Each gene whole from one parent: the weight names the parent, and its
                // ends are that innovation's ends.
                const int whole = static_cast<int>(c.weight);
                ASSERT_EQ(whole, c.innovation);
                weightsSeen[c.innovation].insert(c.weight - whole);
            }
        }
    }
    // Matching genes come from either parent; disjoint and excess ones only from the parent
    // that has them.
    for (int matching = 1; matching <= 5; ++matching)
        EXPECT_EQ(weightsSeen[matching], (std::set<float>{0.25f, 0.5f})) << "innovation " << matching;
    EXPECT_EQ(weightsSeen[8], (std::set<float>{0.25f}));
    for (int onlyB : {6, 7, 9, 10})
        EXPECT_EQ(weightsSeen[onlyB], (std::set<float>{0.5f})) << "innovation " << onlyB;
}

TEST(NeatCrossover, GeneDisabledInEitherParentStaysDisabledThreeTimesInFour)
{
    NeatSettings settings;
    MethodRandom random(5);
    const NeatGenome a = parentA();
    const NeatGenome b = parentB();
    // Gene 2 is disabled in both, gene 5 in B only; gene 1 is enabled in both.
    int disabled2 = 0, disabled5 = 0, disabled1 = 0;
    const int trials = 4000;
    for (int trial = 0; trial < trials; ++trial) {
        const NeatGenome child = crossover(a, 2.0, b, 1.0, settings, random);
        for (const ConnectionGene& c : child.connections) {
            disabled1 += c.innovation == 1 && !c.enabled;
            disabled2 += c.innovation == 2 && !c.enabled;
            disabled5 += c.innovation == 5 && !c.enabled;
        }
    }
    EXPECT_EQ(disabled1, 0);
    EXPECT_NEAR(disabled2 / double(trials), 0.75, 0.03);
    EXPECT_NEAR(disabled5 / double(trials), 0.75, 0.03);

    settings.disabledInheritRate = 1.0;
    for (int trial = 0; trial < 100; ++trial)
        for (const ConnectionGene& c : crossover(a, 2.0, b, 1.0, settings, random).connections)
            ASSERT_TRUE(c.enabled || c.innovation == 2 || c.innovation == 5);
}

TEST(NeatCrossover, OnATieTheChildTakesTheSmallerParentsStructureAndIsNeverLarger)
{
    // A has 4 -> 5, B has 5 -> 4 (both disjoint): their union would be a cycle. B also joins
    // 0 -> 3 under a later innovation number than C, which a union would join twice.
    const NeatGenome a = parent({{0, 4, 1.0f, true, 1}, {4, 5, 1.0f, true, 2}, {5, 3, 1.0f, true, 3}, {4, 3, 1.0f, true, 4}}, {4, 5}, 0.0f);
    const NeatGenome b = parent({{0, 4, 1.0f, true, 1}, {5, 3, 1.0f, true, 3}, {5, 4, 1.0f, true, 7}, {0, 5, 1.0f, true, 8},
                                 {0, 3, 1.0f, true, 9}}, {4, 5}, 0.0f);
    const NeatGenome c = parent({{0, 3, 1.0f, true, 0}}, {}, 0.0f);
    const NeatGenome d = parent({{0, 3, 1.0f, true, 0}, {1, 3, 1.0f, true, 5}}, {}, 0.0f);
    const NeatGenome e = parent({{0, 3, 1.0f, true, 0}, {2, 3, 1.0f, true, 6}}, {}, 0.0f);
    struct Tie {
        const char* what;
        NeatGenome first;
        NeatGenome second;
        std::set<int> expected;
    };
    const std::vector<Tie> ties{
        {"Figure 4's parents", parentA(), parentB(), innovations(parentA())},
        {"Figure 4's parents, the larger first", parentB(), parentA(), innovations(parentA())},
        {"opposite connections", a, b, innovations(a)},
        {"the same pair under two numbers", b, c, innovations(c)},
        {"as many connections: the first parent's", d, e, innovations(d)},
        {"as many connections, swapped", e, d, innovations(e)},
    };
    const NeatSettings settings;
    MethodRandom random(3);
    for (const Tie& tie : ties) {
        ASSERT_EQ(checkGenome(tie.first, 3, 1, 6, 11), "") << tie.what;
        ASSERT_EQ(checkGenome(tie.second, 3, 1, 6, 11), "") << tie.what;
        for (int trial = 0; trial < 20; ++trial) {
            const NeatGenome child = crossover(tie.first, 1.0, tie.second, 1.0, settings, random);
            EXPECT_EQ(checkGenome(child, 3, 1, 6, 11), "") << tie.what;
            EXPECT_EQ(innovations(child), tie.expected) << tie.what;
            EXPECT_LE(child.geneCount(), std::max(tie.first.geneCount(), tie.second.geneCount())) << tie.what;
        }
    }
}

TEST(NeatCrossover, GenomeSizeStaysBoundedWhileFitnessIsFlat)
{
    // Every genome scores 0, as many vehicles do: every crossover is a tie. Genomes then grow
    // no faster than the mutations add genes (a split three, a connection one); taking both
    // parents' genes on ties made them grow by half a genome and more at every tie.
    const int size = 150, generations = 300;
    const NeatSettings settings;
    NeatPopulation population(4, 2, size, 1.0f, 1, settings);
    const auto meanGenes = [&] {
        double sum = 0.0;
        for (const NeatGenome& genome : population.genomes())
            sum += genome.geneCount();
        return sum / size;
    };
    const double start = meanGenes();
    double largest = start;
    for (int generation = 0; generation < generations; ++generation) {
        population.evolve(std::vector<double>(size, 0.0));
        largest = std::max(largest, meanGenes());
    }
    EXPECT_EQ(start, 14.0); // 6 nodes, 8 connections
    EXPECT_LE(largest, start + generations * (3 * settings.addNodeRate + settings.addConnectionRate));
}
