// The compatibility distance of NEAT on hand-made genomes.

#include "methods/neat/CompatibilityDistance.h"
#include "methods/neat/NeatGenome.h"
#include "methods/neat/NeatSettings.h"

#include <gtest/gtest.h>

#include <vector>

using namespace modules;

namespace {

// Only the connection genes count; their ends do not matter here.
NeatGenome genes(const std::vector<std::pair<int, float>>& innovationsAndWeights)
{
    NeatGenome genome;
    for (const auto& [innovation, weight] : innovationsAndWeights)
        genome.connections.push_back({0, 1, weight, true, innovation});
    return genome;
}

} // namespace

TEST(NeatDistance, CountsExcessAndDisjointGenesApartAndAveragesMatchingWeights)
{
    // The paper's Figure 4: 8 in A is disjoint, 6 and 7 in B disjoint, 9 and 10 excess.
    const NeatGenome a = genes({{1, 1.0f}, {2, 1.0f}, {3, 1.0f}, {4, 1.0f}, {5, 1.0f}, {8, 1.0f}});
    const NeatGenome b = genes({{1, 1.5f}, {2, 0.5f}, {3, 1.0f}, {4, -1.0f}, {5, 3.0f}, {6, 0.0f}, {7, 0.0f},
                                {9, 0.0f}, {10, 0.0f}});
    NeatSettings settings; // c1 = 1, c2 = 1, c3 = 0.4; small genomes: N = 1
    // E = 2, D = 3, W = (0.5 + 0.5 + 0 + 2 + 2) / 5 = 1.
    EXPECT_DOUBLE_EQ(compatibilityDistance(a, b, settings), 2.0 + 3.0 + 0.4);
    EXPECT_DOUBLE_EQ(compatibilityDistance(b, a, settings), 2.0 + 3.0 + 0.4);
    settings.excessCoefficient = 2.0;
    settings.disjointCoefficient = 3.0;
    settings.weightCoefficient = 0.5;
    EXPECT_DOUBLE_EQ(compatibilityDistance(a, b, settings), 2.0 * 2 + 3.0 * 3 + 0.5 * 1.0);
    EXPECT_DOUBLE_EQ(compatibilityDistance(b, a, settings), 2.0 * 2 + 3.0 * 3 + 0.5 * 1.0);
    EXPECT_DOUBLE_EQ(compatibilityDistance(a, a, settings), 0.0);
    // Nothing matching: W is 0, not a division by zero; every gene of the lower genome is
    // disjoint, every one of the higher excess.
    EXPECT_DOUBLE_EQ(compatibilityDistance(genes({{1, 5.0f}, {2, 5.0f}}), genes({{3, 0.0f}}), NeatSettings{}), 2.0 + 1.0);
}

TEST(NeatDistance, DividesByTheLargerGenomeFromTwentyGenesOn)
{
    // Both with 20 genes: A 0-19, B 0-14 and 25-29: 5 disjoint, 5 excess, N = 20.
    std::vector<std::pair<int, float>> first, second;
    for (int k = 0; k < 20; ++k)
        first.push_back({k, 0.0f});
    for (int k = 0; k < 15; ++k)
        second.push_back({k, 2.0f});
    for (int k = 25; k < 30; ++k)
        second.push_back({k, 0.0f});
    const NeatSettings settings;
    EXPECT_DOUBLE_EQ(compatibilityDistance(genes(first), genes(second), settings), 5.0 / 20 + 5.0 / 20 + 0.4 * 2.0);
    // One gene fewer on each side: both below 20 genes, so N = 1; 4 disjoint, 4 excess.
    first.pop_back();
    second.pop_back();
    EXPECT_DOUBLE_EQ(compatibilityDistance(genes(first), genes(second), settings), 4.0 + 4.0 + 0.4 * 2.0);
    // 25 genes against 19: N = 25; 6 excess, 4 + 4 disjoint.
    for (int k = 40; k < 46; ++k)
        first.push_back({k, 0.0f});
    EXPECT_DOUBLE_EQ(compatibilityDistance(genes(first), genes(second), settings), 6.0 / 25 + 8.0 / 25 + 0.4 * 2.0);
}
