#include "methods/StateJson.h"

#include <cmath>
#include <sstream>

namespace modules {

nlohmann::json vectorToJson(const Eigen::VectorXd& vector)
{
    nlohmann::json list = nlohmann::json::array();
    for (Eigen::Index i = 0; i < vector.size(); ++i)
        list.push_back(vector[i]);
    return list;
}

nlohmann::json matrixToJson(const Eigen::MatrixXd& matrix)
{
    nlohmann::json list = nlohmann::json::array();
    for (Eigen::Index r = 0; r < matrix.rows(); ++r)
        for (Eigen::Index c = 0; c < matrix.cols(); ++c)
            list.push_back(matrix(r, c));
    return list;
}

namespace {

bool readList(const nlohmann::json& state, const char* key, long long size, Eigen::VectorXd& values,
              std::string& reason, double limit)
{
    const auto found = state.is_object() ? state.find(key) : state.end();
    if (!state.is_object() || found == state.end() || !found->is_array()) {
        reason = std::string("the state has no list \"") + key + "\"";
        return false;
    }
    if (static_cast<long long>(found->size()) != size) {
        reason = std::string("\"") + key + "\" holds " + std::to_string(found->size()) + " numbers instead of "
                 + std::to_string(size);
        return false;
    }
    values.resize(size);
    for (long long i = 0; i < size; ++i) {
        const nlohmann::json& item = (*found)[i];
        if (!item.is_number() || !std::isfinite(item.get<double>())) {
            reason = std::string("\"") + key + "\" holds something other than a finite number";
            return false;
        }
        values[i] = item.get<double>();
        if (std::fabs(values[i]) > limit) {
            std::ostringstream bound;
            bound << limit;
            reason = std::string("\"") + key + "\" holds a number beyond +-" + bound.str() + ", larger than a run reaches";
            return false;
        }
    }
    return true;
}

} // namespace

bool readVector(const nlohmann::json& state, const char* key, int size, Eigen::VectorXd& out,
                std::string& reason, double limit)
{
    Eigen::VectorXd values;
    if (!readList(state, key, size, values, reason, limit))
        return false;
    out = std::move(values);
    return true;
}

bool readMatrix(const nlohmann::json& state, const char* key, int rows, int cols, Eigen::MatrixXd& out,
                std::string& reason, double limit)
{
    Eigen::VectorXd values;
    if (!readList(state, key, static_cast<long long>(rows) * cols, values, reason, limit))
        return false;
    Eigen::MatrixXd matrix(rows, cols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            matrix(r, c) = values[static_cast<Eigen::Index>(r) * cols + c];
    out = std::move(matrix);
    return true;
}

bool readNumber(const nlohmann::json& state, const char* key, double& out, std::string& reason)
{
    const auto found = state.is_object() ? state.find(key) : state.end();
    if (!state.is_object() || found == state.end() || !found->is_number()
        || !std::isfinite(found->get<double>())) {
        reason = std::string("the state has no finite number \"") + key + "\"";
        return false;
    }
    out = found->get<double>();
    return true;
}

bool readCount(const nlohmann::json& state, const char* key, long long minimum, long long maximum,
               long long& out, std::string& reason)
{
    const auto found = state.is_object() ? state.find(key) : state.end();
    if (!state.is_object() || found == state.end() || !found->is_number_integer()) {
        reason = std::string("the state has no whole number \"") + key + "\"";
        return false;
    }
    const long long value = found->get<long long>();
    if (found->is_number_unsigned() && found->get<unsigned long long>() > static_cast<unsigned long long>(maximum)) {
        reason = std::string("\"") + key + "\" is out of range";
        return false;
    }
    if (value < minimum || value > maximum) {
        reason = std::string("\"") + key + "\" is out of range";
        return false;
    }
    out = value;
    return true;
}

} // namespace modules
