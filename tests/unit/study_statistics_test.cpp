#include "study/Statistics.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace modules;

// Worked by hand: 1..5 has mean 3, sample variance 2.5, standard error sqrt(0.5); Student's
// t for 4 degrees of freedom at 97.5% is 2.776445 (tables), so the half-width is 1.963243.
TEST(StudyStatistics, ConfidenceIntervalOfSmallSample)
{
    const MeanInterval interval = meanWithInterval({2, 5, 1, 4, 3});
    EXPECT_EQ(interval.count, 5u);
    EXPECT_DOUBLE_EQ(interval.mean, 3.0);
    EXPECT_NEAR(interval.low, 1.036757, 1e-6);
    EXPECT_NEAR(interval.high, 4.963243, 1e-6);

    // Two values: t for 1 degree of freedom is 12.706205; mean 5, standard error 1.
    const MeanInterval two = meanWithInterval({4, 6});
    EXPECT_NEAR(two.low, 5.0 - 12.706205, 1e-5);
    EXPECT_NEAR(two.high, 5.0 + 12.706205, 1e-5);

    // One value has no spread to estimate.
    const MeanInterval one = meanWithInterval({7});
    EXPECT_DOUBLE_EQ(one.mean, 7.0);
    EXPECT_TRUE(std::isnan(one.low) && std::isnan(one.high));
}

// a = 1..5 (mean 3, variance 2.5), b = 6, 7, 8 (mean 7, variance 1): squared standard errors
// 0.5 and 1/3, t = -4 / sqrt(5/6) = -4.381780, Welch-Satterthwaite df = (5/6)^2 /
// (0.25/4 + (1/9)/2) = 5.882353, two-sided p = 0.0048826 (the t density integrated numerically).
TEST(StudyStatistics, WelchTestOfSmallSamples)
{
    const WelchTest test = welchTest({1, 2, 3, 4, 5}, {6, 7, 8});
    EXPECT_NEAR(test.t, -4.381780, 1e-6);
    EXPECT_NEAR(test.degreesOfFreedom, 5.882353, 1e-6);
    EXPECT_NEAR(test.pValue, 0.0048826, 1e-6);
    // The test is symmetric in its samples.
    EXPECT_NEAR(welchTest({6, 7, 8}, {1, 2, 3, 4, 5}).pValue, test.pValue, 1e-12);
    // Equal samples: no evidence of a difference at all.
    EXPECT_NEAR(welchTest({1, 2, 3}, {3, 2, 1}).pValue, 1.0, 1e-12);

    // Undefined without spread or with a single value on a side.
    EXPECT_TRUE(std::isnan(welchTest({2, 2, 2}, {3, 3, 3}).pValue));
    EXPECT_TRUE(std::isnan(welchTest({1}, {3, 4, 5}).pValue));
}

TEST(StudyStatistics, HalfFinalGenerationAndLastTenth)
{
    // Final 8, half 4: generation 5 is the first at 4 or more (the dip at 4 does not count).
    EXPECT_EQ(halfFinalGeneration({0, 1, 3, 2, 6, 5, 8}), 5);
    // Reaching exactly half counts.
    EXPECT_EQ(halfFinalGeneration({0, 2, 4, 8}), 3);
    // A run that ends at 0 has reached half of it at once.
    EXPECT_EQ(halfFinalGeneration({0, 0, 0}), 1);
    // A peak above the final value reaches half of it early.
    EXPECT_EQ(halfFinalGeneration({1, 9, 2, 3, 4}), 2);

    // Twelve generations: the last tenth rounds up to the last two.
    EXPECT_DOUBLE_EQ(lastTenthMean({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 4, 6}), 5.0);
    // Ten generations: the last one.
    EXPECT_DOUBLE_EQ(lastTenthMean({9, 9, 9, 9, 9, 9, 9, 9, 9, 2}), 2.0);
    // Three generations: still the last one.
    EXPECT_DOUBLE_EQ(lastTenthMean({5, 6, 7}), 7.0);
}
