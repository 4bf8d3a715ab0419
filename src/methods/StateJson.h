#pragma once

#include <Eigen/Core>
#include <nlohmann/json.hpp>

#include <cmath>
#include <string>

namespace modules {

// Reading and writing the strategies' vectors and matrices in their states. Doubles go out
// in nlohmann-json's shortest round-trip form, so they come back bit for bit.

nlohmann::json vectorToJson(const Eigen::VectorXd& vector);
// Row by row, one flat list.
nlohmann::json matrixToJson(const Eigen::MatrixXd& matrix);

// The most generations a saved search state may have finished: far more than any run makes,
// and far enough below the counters' range that a loaded run can go on for a billion more.
constexpr long long MAX_STATE_GENERATION = 1000000000;

// The largest magnitude of a saved search state's means, paths and moments (of its variances,
// the square): far beyond what a search reaches, and small enough that the products of the
// next generations (sigma times a step, a path's outer product) stay finite.
constexpr double MAX_STATE_MAGNITUDE = 1e100;

// Each reader checks that `state[key]` is there, has the expected size and holds only finite
// numbers within +-`limit`; otherwise it sets `reason` (naming the key) and returns false,
// leaving `out` as it was.
bool readVector(const nlohmann::json& state, const char* key, int size, Eigen::VectorXd& out,
                std::string& reason, double limit = HUGE_VAL);
bool readMatrix(const nlohmann::json& state, const char* key, int rows, int cols, Eigen::MatrixXd& out,
                std::string& reason, double limit = HUGE_VAL);
bool readNumber(const nlohmann::json& state, const char* key, double& out, std::string& reason);
// A whole number in [minimum, maximum].
bool readCount(const nlohmann::json& state, const char* key, long long minimum, long long maximum,
               long long& out, std::string& reason);

} // namespace modules
