// OpenAI-ES on the 10-dimensional sphere with the paper's sigma 0.02 and learning rate 0.01
// (the method's defaults are larger, chosen for the vehicles' noisy scores). Adam moves
// a coordinate by at most about the learning rate a generation, and by more than half of it
// while the gradient is clear, so from f = 10 (every coordinate 1 from the optimum) the mean
// needs 100 to 200 generations; then it wanders at the noise level, where f stays below
// n * rate^2 = 1e-3.

#include "StrategyDriver.h"

#include "methods/OpenAiEsStrategy.h"

#include <gtest/gtest.h>

using modules::OpenAiEsStrategy;

namespace {

constexpr int N = 10;

TEST(OpenAiEsTest, SphereDecreasesSteadilyToTheNoiseLevel)
{
    for (std::uint64_t seed : {1u, 2u, 3u}) {
        OpenAiEsStrategy es(std::vector<double>(N, 1.0), 0.02, 0.01, 20);
        modules::MethodRandom random(seed);
        std::vector<double> blockMeans;
        double blockSum = 0.0;
        for (int generation = 1; generation <= 300; ++generation) {
            const Eigen::MatrixXd& x = es.ask(random);
            std::vector<double> costs(x.cols());
            for (Eigen::Index k = 0; k < x.cols(); ++k)
                costs[k] = testing_support::sphere(x.col(k));
            es.tell(costs);
            blockSum += testing_support::sphere(es.mean());
            if (generation % 20 == 0) {
                blockMeans.push_back(blockSum / 20.0);
                blockSum = 0.0;
            }
        }
        // Every 20-generation block better than the one before, until the noise level.
        for (size_t b = 1; b < blockMeans.size() && blockMeans[b - 1] > 1e-3; ++b)
            EXPECT_LT(blockMeans[b], blockMeans[b - 1]) << "seed " << seed << ", block " << b;
        // At the noise level from generation 200 on.
        for (size_t b = 10; b < blockMeans.size(); ++b)
            EXPECT_LT(blockMeans[b], 1e-3) << "seed " << seed << ", block " << b;
        std::printf("seed %u: f(mean) over 20-generation blocks:", static_cast<unsigned>(seed));
        for (double f : blockMeans)
            std::printf(" %.3g", f);
        std::printf("\n");
    }
}

TEST(OpenAiEsTest, CentredRanksShareTiesAndSpanMinusToPlusHalf)
{
    const std::vector<double> ranks = OpenAiEsStrategy::centredRanks({3.0, 1.0, 2.0, 2.0, 5.0});
    // Ascending fitness is descending cost: 5 (worst), 3, 2, 2, 1 (best), ranks 0..4 / 4.
    EXPECT_EQ(ranks, (std::vector<double>{-0.25, 0.5, 0.125, 0.125, -0.5}));
}

} // namespace
