#include "methods/StrategyMethod.h"

#include <cfloat>
#include <cmath>
#include <stdexcept>

namespace modules {

namespace {

// Nearest float, held within the float range (a wider double would not convert).
float toGene(double value)
{
    return static_cast<float>(std::min(std::max(value, -static_cast<double>(FLT_MAX)), static_cast<double>(FLT_MAX)));
}

} // namespace

StrategyMethod::StrategyMethod(std::string name, nlohmann::json parameters, const NeuralNetwork& shape,
                               std::unique_ptr<SearchStrategy> strategy, std::uint64_t seed)
    : methodName(std::move(name))
    , methodParameters(std::move(parameters))
    , shape(shape)
    , strategy(std::move(strategy))
    , random(seed)
    , randomBeforeAsk(seed)
{
}

std::vector<std::unique_ptr<Brain>> StrategyMethod::ask()
{
    if (!asked) {
        randomBeforeAsk = random;
        candidates = &strategy->ask(random);
        asked = true;
    }
    const Eigen::MatrixXd& x = *candidates;
    std::vector<std::unique_ptr<Brain>> brains;
    brains.reserve(x.cols());
    for (Eigen::Index k = 0; k < x.cols(); ++k) {
        auto brain = std::make_unique<FlatNetwork>(shape);
        float* genes = brain->genes().data();
        for (Eigen::Index i = 0; i < x.rows(); ++i)
            genes[i] = toGene(x(i, k));
        brains.push_back(std::move(brain));
    }
    return brains;
}

void StrategyMethod::tell(const std::vector<float>& fitnesses)
{
    if (!asked || static_cast<int>(fitnesses.size()) != strategy->populationSize())
        throw std::logic_error(methodName + ": tell() needs one fitness per brain of the last ask()");
    std::vector<double> costs(fitnesses.size());
    for (size_t i = 0; i < fitnesses.size(); ++i)
        costs[i] = std::isfinite(fitnesses[i]) ? -static_cast<double>(fitnesses[i]) : HUGE_VAL;
    strategy->tell(costs);
    asked = false;
    candidates = nullptr;
}

nlohmann::json StrategyMethod::state() const
{
    return {
        {"method", methodName},
        {"random", (asked ? randomBeforeAsk : random).state()},
        {"asked", asked},
        {"search", strategy->state()},
    };
}

bool StrategyMethod::restore(const nlohmann::json& state, std::string& reason)
{
    if (!state.is_object()) {
        reason = "the method state is not an object";
        return false;
    }
    const auto name = state.find("method");
    if (name == state.end() || !name->is_string() || name->get<std::string>() != methodName) {
        reason = "the method state is not one of " + methodName;
        return false;
    }
    const auto pending = state.find("asked");
    const auto generator = state.find("random");
    const auto search = state.find("search");
    if (pending == state.end() || !pending->is_boolean() || generator == state.end() || search == state.end()) {
        reason = "the method state lacks its generator, search state or asked flag";
        return false;
    }
    MethodRandom restored;
    if (!restored.restore(*generator, reason))
        return false;
    // Last, as it changes the strategy when it succeeds.
    if (!strategy->restore(*search, reason))
        return false;
    random = restored;
    asked = false;
    candidates = nullptr;
    if (pending->get<bool>()) {
        randomBeforeAsk = random;
        candidates = &strategy->ask(random);
        asked = true;
    }
    return true;
}

} // namespace modules
