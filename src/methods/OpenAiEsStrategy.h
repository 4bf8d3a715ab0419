#pragma once

#include "methods/SearchStrategy.h"

namespace modules {

// The evolution strategy of Salimans, Ho, Chen, Sidor and Sutskever, "Evolution Strategies as
// a Scalable Alternative to Reinforcement Learning" (2017): mirrored Gaussian perturbations
// of a mean, centred-rank fitness shaping, and the gradient estimate applied with Adam
// (Kingma & Ba 2015, with their defaults beta1 = 0.9, beta2 = 0.999, epsilon = 1e-8).
//
// Candidates come in pairs, mean + sigma e then mean - sigma e. With an odd population the
// last candidate is the mean itself: it shows how the current mean does, and its cost takes
// no part in the update (it carries no perturbation). Centred ranks: the costs of the pairs
// are ranked, equal costs sharing their mean rank, and mapped onto [-0.5, 0.5].
class OpenAiEsStrategy : public SearchStrategy {
public:
    // sigma > 0 and learningRate > 0, finite; lambda >= 0.
    OpenAiEsStrategy(const std::vector<double>& initialMean, double sigma, double learningRate, int lambda);

    int dimension() const override { return n; }
    int populationSize() const override { return lambda; }
    const Eigen::MatrixXd& ask(MethodRandom& random) override;
    void tell(const std::vector<double>& costs) override;
    const Eigen::VectorXd& mean() const override { return theta; }
    int generation() const override { return static_cast<int>(generationCount); }
    std::string description() const override;
    nlohmann::json state() const override;
    bool restore(const nlohmann::json& state, std::string& reason) override;

    // Centred ranks of `costs`: the lowest cost gets 0.5, the highest -0.5, ties their mean.
    static std::vector<double> centredRanks(const std::vector<double>& costs);

private:
    int n;
    int lambda;
    int pairs;
    double sigma;
    double learningRate;

    Eigen::VectorXd theta;
    Eigen::VectorXd moment1, moment2; // Adam's first and second moment estimates
    long long adamSteps = 0;
    long long generationCount = 0;

    Eigen::MatrixXd E; // the last ask()'s perturbations, one per pair
    Eigen::MatrixXd X;
    bool asked = false;
};

} // namespace modules
