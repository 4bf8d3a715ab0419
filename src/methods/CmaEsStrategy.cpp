#include "methods/CmaEsStrategy.h"

#include "methods/StateJson.h"

#include <Eigen/Cholesky>
#include <Eigen/Eigenvalues>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace modules {

namespace {

// Keeps the step size a positive finite number whatever the costs do, so that every state a
// run reaches can be saved and restored; far outside anything a search uses.
constexpr double SIGMA_MIN = 1e-200;
constexpr double SIGMA_MAX = 1e100;
// A saved state's mean, paths and eigenvalue roots stay within MAX_STATE_MAGNITUDE, its
// covariance within the square.
constexpr double MAGNITUDE_MAX = MAX_STATE_MAGNITUDE;
constexpr double COVARIANCE_MAX = MAGNITUDE_MAX * MAGNITUDE_MAX;
// How far the eigenvectors' products may be from those of an orthonormal basis: the
// eigensolver's rounding is some n * 1e-16.
constexpr double ORTHONORMAL_TOLERANCE = 1e-6;

const char* variantName(CmaEsStrategy::Covariance variant)
{
    return variant == CmaEsStrategy::Covariance::FULL ? "full" : "separable";
}

// Indices of the costs from best (lowest) to worst; equal costs keep their order.
std::vector<int> rankOrder(const std::vector<double>& costs)
{
    std::vector<int> order(costs.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return costs[a] < costs[b]; });
    return order;
}

} // namespace

int CmaEsStrategy::defaultPopulationSize(int dimension)
{
    return 4 + static_cast<int>(std::floor(3.0 * std::log(std::max(dimension, 1))));
}

CmaEsStrategy::CmaEsStrategy(const std::vector<double>& initialMean, double sigma, int lambda,
                             Covariance covariance)
    : n(static_cast<int>(initialMean.size()))
    , lambda(std::max(lambda, 0))
    , variant(covariance)
    , sigma(sigma)
{
    if (!(sigma > 0.0) || !std::isfinite(sigma))
        throw std::invalid_argument("CMA-ES: the initial step size must be a positive number");
    const double N = std::max(n, 1);

    // Weights (tutorial, eq. 49-53). One candidate alone gets the whole weight.
    const int count = std::max(this->lambda, 1);
    Eigen::VectorXd raw(count);
    for (int i = 0; i < count; ++i)
        raw[i] = std::log((count + 1) / 2.0) - std::log(i + 1.0);
    mu = count / 2;
    if (mu == 0) {
        mu = 1;
        raw[0] = 1.0;
    }
    const Eigen::VectorXd positive = raw.head(mu);
    mueff = positive.sum() * positive.sum() / positive.squaredNorm();

    cc = (4.0 + mueff / N) / (N + 4.0 + 2.0 * mueff / N);
    cs = (mueff + 2.0) / (N + mueff + 5.0);
    damps = 1.0 + 2.0 * std::max(0.0, std::sqrt((mueff - 1.0) / (N + 1.0)) - 1.0) + cs;
    chiN = std::sqrt(N) * (1.0 - 1.0 / (4.0 * N) + 1.0 / (21.0 * N * N));

    weights = Eigen::VectorXd::Zero(count);
    weights.head(mu) = positive / positive.sum();
    const double alphaCov = 2.0;
    c1 = alphaCov / ((N + 1.3) * (N + 1.3) + mueff);
    cmu = std::min(1.0 - c1, alphaCov * (mueff - 2.0 + 1.0 / mueff) / ((N + 2.0) * (N + 2.0) + alphaCov * mueff / 2.0));
    if (variant == Covariance::SEPARABLE) {
        // A diagonal has n parameters, not n^2 / 2, and can be learnt faster: the rates of
        // Akimoto & Hansen, "Diagonal Acceleration for Covariance Matrix Adaptation Evolution
        // Strategies" (Evolutionary Computation, 2020), for m parameters, c1 = 1 / (2 (m / n + 1)
        // (n + 1)^(3/4) + mueff / 2), c_mu = min(mueff c1, 1 - c1), cc = sqrt(mueff c1) / 2,
        // with m = n. Against the tutorial's c1 and c_mu raised by (n + 2) / 3 (Ros & Hansen
        // 2008), c_mu is 1.5 to 2 times as large and, for n >= 60, the path shorter-lived:
        // some 10 % fewer evaluations on the axis-parallel ellipsoid at n = 60 and 14 % at
        // n = 200, 37 % on Rosenbrock at n = 200; on the sphere within 1.5 % of before.
        c1 = 1.0 / (4.0 * std::pow(N + 1.0, 0.75) + mueff / 2.0);
        cmu = std::min(mueff * c1, 1.0 - c1);
        cc = std::sqrt(mueff * c1) / 2.0;
    }
    // Negative weights (active CMA), scaled so that C stays positive definite.
    double negativeSum = 0.0, negativeSquares = 0.0;
    for (int i = mu; i < count; ++i)
        if (raw[i] < 0.0) {
            negativeSum -= raw[i];
            negativeSquares += raw[i] * raw[i];
        }
    if (negativeSum > 0.0) {
        const double mueffMinus = negativeSum * negativeSum / negativeSquares;
        const double alphaMu = 1.0 + c1 / cmu;
        const double alphaMueff = 1.0 + 2.0 * mueffMinus / (mueff + 2.0);
        const double alphaPosdef = (1.0 - c1 - cmu) / (N * cmu);
        const double scale = std::min({alphaMu, alphaMueff, alphaPosdef});
        for (int i = mu; i < count; ++i)
            if (raw[i] < 0.0)
                weights[i] = scale * raw[i] / negativeSum;
    }
    if (variant == Covariance::FULL)
        eigenInterval = 1.0 / (10.0 * N * (c1 + cmu));

    m.resize(n);
    for (int i = 0; i < n; ++i)
        m[i] = initialMean[i];
    ps = Eigen::VectorXd::Zero(n);
    pc = Eigen::VectorXd::Zero(n);
    D = Eigen::VectorXd::Ones(n);
    if (variant == Covariance::FULL) {
        C = Eigen::MatrixXd::Identity(n, n);
        B = Eigen::MatrixXd::Identity(n, n);
    } else {
        diagC = Eigen::VectorXd::Ones(n);
    }
}

const Eigen::MatrixXd& CmaEsStrategy::ask(MethodRandom& random)
{
    Z.resize(n, lambda);
    random.gaussians(Z.data(), static_cast<std::size_t>(Z.size())); // column by column
    if (variant == Covariance::FULL)
        Y.noalias() = B * (D.asDiagonal() * Z);
    else
        Y.noalias() = D.asDiagonal() * Z;
    X = (sigma * Y).colwise() + m;
    asked = true;
    return X;
}

void CmaEsStrategy::tell(const std::vector<double>& costs)
{
    if (!asked || static_cast<int>(costs.size()) != lambda)
        throw std::logic_error("CMA-ES: tell() needs one cost per candidate of the last ask()");
    asked = false;
    ++generationCount;
    if (lambda == 0 || n == 0)
        return;
    const std::vector<int> order = rankOrder(costs);

    // Recombination: the weighted mean step, in y and in z.
    yw.setZero(n);
    zw.setZero(n);
    for (int i = 0; i < mu; ++i) {
        yw += weights[i] * Y.col(order[i]);
        zw += weights[i] * Z.col(order[i]);
    }
    m += sigma * yw;

    // Step-size path: C^(-1/2) y_w = B D^-1 B^T B D z_w = B z_w.
    const double psFactor = std::sqrt(cs * (2.0 - cs) * mueff);
    if (variant == Covariance::FULL)
        ps = (1.0 - cs) * ps + psFactor * (B * zw);
    else
        ps = (1.0 - cs) * ps + psFactor * zw;
    const double psNorm = ps.norm();
    const bool hsig = psNorm / std::sqrt(1.0 - std::pow(1.0 - cs, 2.0 * generationCount))
                      < (1.4 + 2.0 / (n + 1.0)) * chiN;
    pc = (1.0 - cc) * pc + (hsig ? std::sqrt(cc * (2.0 - cc) * mueff) : 0.0) * yw;
    const double deltaH = hsig ? 0.0 : cc * (2.0 - cc);

    if (variant == Covariance::FULL) {
        // Rank-mu with every weight; a negative weight is scaled by n / ||C^(-1/2) y||^2,
        // and ||C^(-1/2) y|| = ||B z|| = ||z||.
        Eigen::MatrixXd ranked(n, lambda), weighted(n, lambda);
        for (int i = 0; i < lambda; ++i) {
            ranked.col(i) = Y.col(order[i]);
            double w = weights[i];
            if (w < 0.0)
                w *= n / Z.col(order[i]).squaredNorm();
            weighted.col(i) = w * ranked.col(i);
        }
        C *= 1.0 + c1 * deltaH - c1 - cmu * weights.sum();
        C.noalias() += c1 * pc * pc.transpose();
        C.noalias() += cmu * weighted * ranked.transpose();
        // Exactly symmetric, from the upper triangle.
        C.triangularView<Eigen::StrictlyLower>() = C.transpose();
    } else {
        // The same update on the diagonal; here ||C^(-1/2) y|| = ||D^-1 y|| = ||z||.
        rankMu.setZero(n);
        for (int i = 0; i < lambda; ++i) {
            double w = weights[i];
            if (w < 0.0)
                w *= n / Z.col(order[i]).squaredNorm();
            rankMu += w * Y.col(order[i]).cwiseAbs2();
        }
        diagC = (1.0 + c1 * deltaH - c1 - cmu * weights.sum()) * diagC + c1 * pc.cwiseAbs2() + cmu * rankMu;
        diagC = diagC.cwiseMax(DBL_MIN);
    }

    sigma *= std::exp((cs / damps) * (psNorm / chiN - 1.0));
    sigma = std::min(std::max(sigma, SIGMA_MIN), SIGMA_MAX);

    if (variant == Covariance::SEPARABLE)
        D = diagC.cwiseSqrt();
    else if (generationCount - eigenGeneration > eigenInterval)
        decompose();
}

void CmaEsStrategy::decompose()
{
    Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(C);
    const Eigen::VectorXd values = solver.eigenvalues();
    // Rounding can leave a tiny eigenvalue at or below zero.
    const double floor = std::max(values.maxCoeff() * 1e-20, DBL_MIN);
    B = solver.eigenvectors();
    D = values.cwiseMax(floor).cwiseSqrt();
    eigenGeneration = generationCount;
}

Eigen::MatrixXd CmaEsStrategy::covarianceMatrix() const
{
    if (variant == Covariance::FULL)
        return C;
    return diagC.asDiagonal();
}

std::string CmaEsStrategy::description() const
{
    return variant == Covariance::FULL ? "full covariance" : "separable (diagonal) covariance";
}

nlohmann::json CmaEsStrategy::state() const
{
    nlohmann::json state = {
        {"covariance_kind", variantName(variant)},
        {"dimension", n},
        {"population", lambda},
        {"generation", generationCount},
        {"sigma", sigma},
        {"mean", vectorToJson(m)},
        {"path_sigma", vectorToJson(ps)},
        {"path_c", vectorToJson(pc)},
    };
    if (variant == Covariance::FULL) {
        state["covariance"] = matrixToJson(C);
        state["eigen_generation"] = eigenGeneration;
        state["eigenvectors"] = matrixToJson(B);
        state["eigenvalue_roots"] = vectorToJson(D);
    } else {
        state["covariance_diagonal"] = vectorToJson(diagC);
    }
    return state;
}

bool CmaEsStrategy::restore(const nlohmann::json& state, std::string& reason)
{
    if (!state.is_object()) {
        reason = "the CMA-ES state is not an object";
        return false;
    }
    const auto kind = state.find("covariance_kind");
    if (kind == state.end() || !kind->is_string() || kind->get<std::string>() != variantName(variant)) {
        reason = std::string("the CMA-ES state is not of the ") + variantName(variant) + " covariance kind";
        return false;
    }
    long long dimension = 0, population = 0, generation = 0, eigenAt = 0;
    double step = 0.0;
    Eigen::VectorXd mean, pathSigma, pathC, roots, diagonal;
    Eigen::MatrixXd covariance, vectors;
    if (!readCount(state, "dimension", n, n, dimension, reason) || !readCount(state, "population", lambda, lambda, population, reason)) {
        reason = "the CMA-ES state is for another genome length or population size (" + reason + ")";
        return false;
    }
    if (!readCount(state, "generation", 0, MAX_STATE_GENERATION, generation, reason)
        || !readNumber(state, "sigma", step, reason) || !readVector(state, "mean", n, mean, reason, MAGNITUDE_MAX)
        || !readVector(state, "path_sigma", n, pathSigma, reason, MAGNITUDE_MAX)
        || !readVector(state, "path_c", n, pathC, reason, MAGNITUDE_MAX))
        return false;
    if (!(step >= SIGMA_MIN && step <= SIGMA_MAX)) {
        reason = "the CMA-ES step size is not a positive number in range";
        return false;
    }
    if (variant == Covariance::FULL) {
        if (!readMatrix(state, "covariance", n, n, covariance, reason, COVARIANCE_MAX)
            || !readCount(state, "eigen_generation", 0, generation, eigenAt, reason)
            || !readMatrix(state, "eigenvectors", n, n, vectors, reason, 1.0 + ORTHONORMAL_TOLERANCE)
            || !readVector(state, "eigenvalue_roots", n, roots, reason, MAGNITUDE_MAX))
            return false;
        if (!(covariance.diagonal().array() > 0.0).all() || !(roots.array() > 0.0).all()
            || !(covariance.array() == covariance.transpose().array()).all()) {
            reason = "the CMA-ES covariance is not symmetric with positive variances";
            return false;
        }
        // Every update keeps it so (the negative weights are scaled for it); sampling needs it.
        if (n > 0 && covariance.llt().info() != Eigen::Success) {
            reason = "the CMA-ES covariance is not positive definite";
            return false;
        }
        const Eigen::MatrixXd gram = vectors.transpose() * vectors;
        if (n > 0 && (gram - Eigen::MatrixXd::Identity(n, n)).cwiseAbs().maxCoeff() > ORTHONORMAL_TOLERANCE) {
            reason = "the CMA-ES eigenvectors are not orthonormal";
            return false;
        }
    } else {
        if (!readVector(state, "covariance_diagonal", n, diagonal, reason, COVARIANCE_MAX))
            return false;
        if (!(diagonal.array() > 0.0).all()) {
            reason = "the CMA-ES covariance diagonal is not positive";
            return false;
        }
    }
    m = std::move(mean);
    sigma = step;
    ps = std::move(pathSigma);
    pc = std::move(pathC);
    generationCount = generation;
    if (variant == Covariance::FULL) {
        C = std::move(covariance);
        B = std::move(vectors);
        D = std::move(roots);
        eigenGeneration = eigenAt;
    } else {
        diagC = std::move(diagonal);
        D = diagC.cwiseSqrt();
    }
    asked = false;
    return true;
}

} // namespace modules
