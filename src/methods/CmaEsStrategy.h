#pragma once

#include "methods/SearchStrategy.h"

#include <Eigen/Core>

namespace modules {

// The (mu/mu_w, lambda) CMA-ES with cumulative step-size adaptation and rank-one and rank-mu
// covariance updates, with the default weights (negative ones included) and learning rates of
// Hansen, "The CMA Evolution Strategy: A Tutorial" (2016, arXiv:1604.00772), table 1.
//
// FULL keeps the whole covariance matrix and renews its eigendecomposition lazily, every
// 1 / (10 n (c1 + c_mu)) generations as the tutorial advises; the decomposition is part of
// the state, so a resumed run samples from the same one. SEPARABLE keeps only the diagonal
// (Ros & Hansen 2008, sep-CMA-ES): time and memory linear in the dimension, with the same
// weights, negative ones included, and c1, c_mu and cc for a diagonal of Akimoto & Hansen,
// "Diagonal Acceleration for Covariance Matrix Adaptation Evolution Strategies" (2020).
class CmaEsStrategy : public SearchStrategy {
public:
    enum class Covariance { FULL, SEPARABLE };

    // sigma > 0, finite; lambda >= 0 (no candidates at all when 0).
    CmaEsStrategy(const std::vector<double>& initialMean, double sigma, int lambda, Covariance covariance);

    // The tutorial's default population size, 4 + floor(3 ln n).
    static int defaultPopulationSize(int dimension);

    int dimension() const override { return n; }
    int populationSize() const override { return lambda; }
    const Eigen::MatrixXd& ask(MethodRandom& random) override;
    void tell(const std::vector<double>& costs) override;
    const Eigen::VectorXd& mean() const override { return m; }
    int generation() const override { return static_cast<int>(generationCount); }
    std::string description() const override;
    nlohmann::json state() const override;
    bool restore(const nlohmann::json& state, std::string& reason) override;

    Covariance covariance() const { return variant; }
    double stepSize() const { return sigma; }
    // The covariance matrix (for SEPARABLE, its diagonal as a diagonal matrix).
    Eigen::MatrixXd covarianceMatrix() const;

private:
    void decompose();

    // Settings, fixed by n, lambda and the variant.
    int n;
    int lambda;
    Covariance variant;
    int mu = 0;
    Eigen::VectorXd weights; // lambda of them, in rank order; the first mu positive
    double mueff = 1.0;
    double cc = 0.0, cs = 0.0, c1 = 0.0, cmu = 0.0, damps = 1.0, chiN = 1.0;
    double eigenInterval = 1.0; // generations between decompositions (FULL)

    // State.
    Eigen::VectorXd m;
    double sigma;
    Eigen::VectorXd ps, pc;
    Eigen::MatrixXd C;      // FULL
    Eigen::VectorXd diagC;  // SEPARABLE
    Eigen::MatrixXd B;      // FULL: eigenvectors of C at the last decomposition
    Eigen::VectorXd D;      // square roots of the eigenvalues (SEPARABLE: of diagC)
    long long generationCount = 0;
    long long eigenGeneration = 0;

    // The last ask(): z ~ N(0, I), y = B D z, x = m + sigma y, one column each.
    Eigen::MatrixXd Z, Y, X;
    // tell()'s working space, kept to spare allocations each generation.
    Eigen::VectorXd yw, zw, rankMu;
    bool asked = false;
};

} // namespace modules
