#pragma once

#include <cstddef>
#include <vector>

namespace modules {

// A sample's mean with its 95% confidence interval from Student's t distribution.
// `low` and `high` are NaN below two values (no spread to estimate); everything is NaN
// for an empty sample.
struct MeanInterval {
    std::size_t count = 0;
    double mean = 0.0;
    double low = 0.0;
    double high = 0.0;
};
MeanInterval meanWithInterval(const std::vector<double>& values);

// Welch's two-sided t-test of equal means for two samples of unequal variances. All three
// are NaN when it is undefined: fewer than two values on a side, or no spread at all.
struct WelchTest {
    double t = 0.0;
    double degreesOfFreedom = 0.0;
    double pValue = 0.0;
};
WelchTest welchTest(const std::vector<double>& a, const std::vector<double>& b);

// The first generation (1-based) whose best fitness reached half of the last one's;
// 0 for an empty run.
int halfFinalGeneration(const std::vector<double>& bestPerGeneration);

// The mean over the last tenth of the generations (rounded up: at least the last one).
double lastTenthMean(const std::vector<double>& bestPerGeneration);

} // namespace modules
