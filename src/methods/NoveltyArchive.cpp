#include "methods/NoveltyArchive.h"

#include "methods/StateJson.h"

#include <algorithm>
#include <cmath>

namespace modules {

NoveltyArchive::NoveltyArchive(int k, float threshold)
    : neighbours(k > 0 ? k : 1)
    , currentThreshold(threshold)
{
}

std::vector<float> NoveltyArchive::novelty(const std::vector<Behaviour>& generation) const
{
    std::vector<float> result(generation.size());
    for (std::size_t i = 0; i < generation.size(); ++i) {
        distances.clear();
        for (std::size_t j = 0; j < generation.size(); ++j)
            if (j != i)
                distances.push_back(squaredDistance(generation[i], generation[j]));
        for (const Behaviour& kept : archive)
            distances.push_back(squaredDistance(generation[i], kept));
        if (distances.empty()) {
            result[i] = std::sqrt(2.0f); // nothing to compare with: as far as the space allows
            continue;
        }
        const std::size_t k = std::min(distances.size(), static_cast<std::size_t>(neighbours));
        std::nth_element(distances.begin(), distances.begin() + static_cast<std::ptrdiff_t>(k - 1), distances.end());
        // The k nearest in a fixed order, so the sum does not depend on the selection's.
        std::sort(distances.begin(), distances.begin() + static_cast<std::ptrdiff_t>(k));
        double sum = 0.0;
        for (std::size_t n = 0; n < k; ++n)
            sum += std::sqrt(static_cast<double>(distances[n]));
        result[i] = static_cast<float>(sum / static_cast<double>(k));
    }
    return result;
}

void NoveltyArchive::update(const std::vector<Behaviour>& generation, const std::vector<float>& novelty)
{
    for (std::size_t i = 0; i < generation.size() && i < novelty.size(); ++i) {
        if (novelty[i] > currentThreshold && archive.size() < MAX_SIZE) {
            archive.push_back(generation[i]);
            ++addedSinceAdjust;
        }
    }
    evaluationsSinceAdjust += static_cast<long long>(generation.size());
    if (evaluationsSinceAdjust >= ADJUST_EVALUATIONS) {
        if (addedSinceAdjust == 0)
            currentThreshold *= LOWER;
        else if (addedSinceAdjust > RAISE_ABOVE)
            currentThreshold *= RAISE;
        evaluationsSinceAdjust = 0;
        addedSinceAdjust = 0;
    }
}

nlohmann::json NoveltyArchive::state() const
{
    nlohmann::json points = nlohmann::json::array();
    for (const Behaviour& b : archive)
        points.push_back({b.x, b.y});
    return {{"threshold", currentThreshold},
            {"evaluated_since", evaluationsSinceAdjust},
            {"added_since", addedSinceAdjust},
            {"archive", std::move(points)}};
}

bool NoveltyArchive::restore(const nlohmann::json& state, std::string& reason)
{
    long long evaluated = 0, added = 0;
    double threshold = 0.0;
    if (!state.is_object()) {
        reason = "the novelty archive is not an object";
        return false;
    }
    if (!readNumber(state, "threshold", threshold, reason)
        || !readCount(state, "evaluated_since", 0, ADJUST_EVALUATIONS - 1, evaluated, reason)
        || !readCount(state, "added_since", 0, ADJUST_EVALUATIONS, added, reason))
        return false;
    if (!(threshold >= 0.0) || !std::isfinite(static_cast<float>(threshold))) {
        reason = "the novelty threshold is not a number from 0";
        return false;
    }
    const auto found = state.find("archive");
    if (found == state.end() || !found->is_array() || found->size() > MAX_SIZE) {
        reason = "the novelty archive is not a list of at most " + std::to_string(MAX_SIZE) + " behaviours";
        return false;
    }
    std::vector<Behaviour> points;
    points.reserve(found->size());
    for (const nlohmann::json& point : *found) {
        if (!point.is_array() || point.size() != 2 || !point[0].is_number() || !point[1].is_number()) {
            reason = "behaviour " + std::to_string(points.size() + 1) + " of the novelty archive is not two numbers";
            return false;
        }
        const double x = point[0].get<double>(), y = point[1].get<double>();
        if (!(x >= 0.0 && x <= 1.0 && y >= 0.0 && y <= 1.0)) {
            reason = "behaviour " + std::to_string(points.size() + 1) + " of the novelty archive is outside 0 to 1";
            return false;
        }
        points.push_back({static_cast<float>(x), static_cast<float>(y)});
    }
    currentThreshold = static_cast<float>(threshold);
    evaluationsSinceAdjust = evaluated;
    addedSinceAdjust = added;
    archive = std::move(points);
    return true;
}

} // namespace modules
