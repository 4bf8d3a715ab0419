#include "methods/OpenAiEsStrategy.h"

#include "methods/StateJson.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace modules {

namespace {

constexpr double BETA1 = 0.9;
constexpr double BETA2 = 0.999;
constexpr double EPSILON = 1e-8;
// A saved state's mean and first moment stay within MAX_STATE_MAGNITUDE, its second moment
// within the square.
constexpr double MAGNITUDE_MAX = MAX_STATE_MAGNITUDE;
// Adam's first moment is bounded by its second: by Cauchy-Schwarz on their sums of the same
// gradients, |m1| <= (1 - beta1) / sqrt((1 - beta2) (1 - beta1^2 / beta2)) sqrt(m2), some 7.3
// sqrt(m2); the rest allows for rounding.
constexpr double MOMENT_RATIO_MAX = 8.0;
constexpr double MOMENT_SLACK = 1e-100;

} // namespace

OpenAiEsStrategy::OpenAiEsStrategy(const std::vector<double>& initialMean, double sigma, double learningRate,
                                   int lambda)
    : n(static_cast<int>(initialMean.size()))
    , lambda(std::max(lambda, 0))
    , pairs(std::max(lambda, 0) / 2)
    , sigma(sigma)
    , learningRate(learningRate)
{
    if (!(sigma > 0.0) || !std::isfinite(sigma))
        throw std::invalid_argument("OpenAI-ES: sigma must be a positive number");
    if (!(learningRate > 0.0) || !std::isfinite(learningRate))
        throw std::invalid_argument("OpenAI-ES: the learning rate must be a positive number");
    theta.resize(n);
    for (int i = 0; i < n; ++i)
        theta[i] = initialMean[i];
    moment1 = Eigen::VectorXd::Zero(n);
    moment2 = Eigen::VectorXd::Zero(n);
}

const Eigen::MatrixXd& OpenAiEsStrategy::ask(MethodRandom& random)
{
    E.resize(n, pairs);
    random.gaussians(E.data(), static_cast<std::size_t>(E.size())); // column by column
    X.resize(n, lambda);
    for (int k = 0; k < pairs; ++k) {
        X.col(2 * k) = theta + sigma * E.col(k);
        X.col(2 * k + 1) = theta - sigma * E.col(k);
    }
    if (lambda % 2 == 1)
        X.col(lambda - 1) = theta;
    asked = true;
    return X;
}

std::vector<double> OpenAiEsStrategy::centredRanks(const std::vector<double>& costs)
{
    const size_t count = costs.size();
    std::vector<double> ranks(count, 0.0);
    if (count < 2)
        return ranks;
    std::vector<size_t> order(count);
    std::iota(order.begin(), order.end(), 0);
    // Worst (highest cost) first, so the position is the rank from the bottom.
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return costs[a] > costs[b]; });
    for (size_t first = 0; first < count;) {
        size_t last = first;
        while (last + 1 < count && !(costs[order[last + 1]] < costs[order[first]]))
            ++last;
        const double shared = 0.5 * static_cast<double>(first + last) / static_cast<double>(count - 1) - 0.5;
        for (size_t i = first; i <= last; ++i)
            ranks[order[i]] = shared;
        first = last + 1;
    }
    return ranks;
}

void OpenAiEsStrategy::tell(const std::vector<double>& costs)
{
    if (!asked || static_cast<int>(costs.size()) != lambda)
        throw std::logic_error("OpenAI-ES: tell() needs one cost per candidate of the last ask()");
    asked = false;
    ++generationCount;
    if (pairs == 0 || n == 0)
        return;
    const std::vector<double> utility = centredRanks(std::vector<double>(costs.begin(), costs.begin() + 2 * pairs));

    // The estimate of the gradient of the expected utility (to climb).
    Eigen::VectorXd gradient = Eigen::VectorXd::Zero(n);
    for (int k = 0; k < pairs; ++k)
        gradient += (utility[2 * k] - utility[2 * k + 1]) * E.col(k);
    gradient /= 2.0 * pairs * sigma;

    ++adamSteps;
    moment1 = BETA1 * moment1 + (1.0 - BETA1) * gradient;
    moment2 = BETA2 * moment2 + (1.0 - BETA2) * gradient.cwiseAbs2();
    const double correction1 = 1.0 - std::pow(BETA1, static_cast<double>(adamSteps));
    const double correction2 = 1.0 - std::pow(BETA2, static_cast<double>(adamSteps));
    theta.array() += learningRate * (moment1.array() / correction1)
                     / ((moment2.array() / correction2).sqrt() + EPSILON);
}

std::string OpenAiEsStrategy::description() const
{
    if (lambda % 2 == 1)
        return std::to_string(pairs) + " mirrored pairs and the mean";
    return std::to_string(pairs) + " mirrored pairs";
}

nlohmann::json OpenAiEsStrategy::state() const
{
    return {
        {"dimension", n},
        {"population", lambda},
        {"generation", generationCount},
        {"adam_steps", adamSteps},
        {"mean", vectorToJson(theta)},
        {"adam_first_moment", vectorToJson(moment1)},
        {"adam_second_moment", vectorToJson(moment2)},
    };
}

bool OpenAiEsStrategy::restore(const nlohmann::json& state, std::string& reason)
{
    long long dimension = 0, population = 0, generation = 0, steps = 0;
    Eigen::VectorXd mean, first, second;
    if (!readCount(state, "dimension", n, n, dimension, reason) || !readCount(state, "population", lambda, lambda, population, reason)) {
        reason = "the OpenAI-ES state is for another genome length or population size (" + reason + ")";
        return false;
    }
    if (!readCount(state, "generation", 0, MAX_STATE_GENERATION, generation, reason)
        || !readCount(state, "adam_steps", 0, generation, steps, reason)
        || !readVector(state, "mean", n, mean, reason, MAGNITUDE_MAX)
        || !readVector(state, "adam_first_moment", n, first, reason, MAGNITUDE_MAX)
        || !readVector(state, "adam_second_moment", n, second, reason, MAGNITUDE_MAX * MAGNITUDE_MAX))
        return false;
    if (!(second.array() >= 0.0).all()) {
        reason = "the OpenAI-ES second moment has a negative value";
        return false;
    }
    if (!(first.array().abs() <= MOMENT_RATIO_MAX * second.array().sqrt() + MOMENT_SLACK).all()) {
        reason = "the OpenAI-ES first moment is larger than its second moment allows";
        return false;
    }
    generationCount = generation;
    adamSteps = steps;
    theta = std::move(mean);
    moment1 = std::move(first);
    moment2 = std::move(second);
    asked = false;
    return true;
}

} // namespace modules
