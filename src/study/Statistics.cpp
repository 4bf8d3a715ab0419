#include "study/Statistics.h"

#include <boost/math/distributions/students_t.hpp>

#include <cmath>
#include <limits>

namespace modules {

namespace {

constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();

double mean(const std::vector<double>& values)
{
    double sum = 0.0;
    for (double v : values)
        sum += v;
    return sum / static_cast<double>(values.size());
}

// The unbiased sample variance (divisor n - 1).
double variance(const std::vector<double>& values, double average)
{
    double sum = 0.0;
    for (double v : values)
        sum += (v - average) * (v - average);
    return sum / static_cast<double>(values.size() - 1);
}

} // namespace

MeanInterval meanWithInterval(const std::vector<double>& values)
{
    MeanInterval result;
    result.count = values.size();
    if (values.empty()) {
        result.mean = result.low = result.high = NOT_A_NUMBER;
        return result;
    }
    result.mean = mean(values);
    if (values.size() < 2) {
        result.low = result.high = NOT_A_NUMBER;
        return result;
    }
    const double n = static_cast<double>(values.size());
    const boost::math::students_t distribution(n - 1.0);
    const double t = boost::math::quantile(boost::math::complement(distribution, 0.025));
    const double halfWidth = t * std::sqrt(variance(values, result.mean) / n);
    result.low = result.mean - halfWidth;
    result.high = result.mean + halfWidth;
    return result;
}

WelchTest welchTest(const std::vector<double>& a, const std::vector<double>& b)
{
    WelchTest result;
    result.t = result.degreesOfFreedom = result.pValue = NOT_A_NUMBER;
    if (a.size() < 2 || b.size() < 2)
        return result;
    const double na = static_cast<double>(a.size());
    const double nb = static_cast<double>(b.size());
    const double meanA = mean(a);
    const double meanB = mean(b);
    const double va = variance(a, meanA) / na;
    const double vb = variance(b, meanB) / nb;
    if (!(va + vb > 0.0))
        return result;
    result.t = (meanA - meanB) / std::sqrt(va + vb);
    result.degreesOfFreedom = (va + vb) * (va + vb) / (va * va / (na - 1.0) + vb * vb / (nb - 1.0));
    const boost::math::students_t distribution(result.degreesOfFreedom);
    result.pValue = 2.0 * boost::math::cdf(boost::math::complement(distribution, std::fabs(result.t)));
    return result;
}

int halfFinalGeneration(const std::vector<double>& bestPerGeneration)
{
    if (bestPerGeneration.empty())
        return 0;
    const double half = bestPerGeneration.back() / 2.0;
    for (std::size_t i = 0; i < bestPerGeneration.size(); ++i)
        if (bestPerGeneration[i] >= half)
            return static_cast<int>(i + 1);
    return static_cast<int>(bestPerGeneration.size());
}

double lastTenthMean(const std::vector<double>& bestPerGeneration)
{
    if (bestPerGeneration.empty())
        return NOT_A_NUMBER;
    const std::size_t count = (bestPerGeneration.size() + 9) / 10;
    double sum = 0.0;
    for (std::size_t i = bestPerGeneration.size() - count; i < bestPerGeneration.size(); ++i)
        sum += bestPerGeneration[i];
    return sum / static_cast<double>(count);
}

} // namespace modules
