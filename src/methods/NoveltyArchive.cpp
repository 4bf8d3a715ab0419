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

namespace {

int bucketOf(float t, int grid)
{
    const int i = static_cast<int>(t * static_cast<float>(grid));
    return i < 0 ? 0 : i >= grid ? grid - 1 : i;
}

// Adds a squared distance to the max-heap of the k smallest.
void keep(std::vector<float>& nearest, std::size_t k, float d)
{
    if (nearest.size() < k) {
        nearest.push_back(d);
        std::push_heap(nearest.begin(), nearest.end());
    } else if (d < nearest.front()) {
        std::pop_heap(nearest.begin(), nearest.end());
        nearest.back() = d;
        std::push_heap(nearest.begin(), nearest.end());
    }
}

} // namespace

void NoveltyArchive::index(const Behaviour& behaviour)
{
    buckets[static_cast<std::size_t>(bucketOf(behaviour.y, GRID) * GRID + bucketOf(behaviour.x, GRID))].push_back(behaviour);
}

void NoveltyArchive::nearestInArchive(const Behaviour& query, std::vector<float>& nearest) const
{
    const std::size_t k = static_cast<std::size_t>(neighbours);
    // A small archive is quicker measured whole than through a grid of mostly empty buckets.
    if (archive.size() < SMALL_ARCHIVE) {
        for (const Behaviour& kept : archive)
            keep(nearest, k, squaredDistance(query, kept));
        return;
    }
    const int cx = bucketOf(query.x, GRID), cy = bucketOf(query.y, GRID);
    const float side = 1.0f / static_cast<float>(GRID);
    for (int ring = 0; ring < GRID; ++ring) {
        for (int y = cy - ring; y <= cy + ring; ++y) {
            if (y < 0 || y >= GRID)
                continue;
            // The ring's rows at its top and bottom whole, between them its two ends.
            const int step = (y == cy - ring || y == cy + ring) ? 1 : 2 * ring;
            for (int x = cx - ring; x <= cx + ring; x += step > 0 ? step : 1) {
                if (x < 0 || x >= GRID)
                    continue;
                for (const Behaviour& kept : buckets[static_cast<std::size_t>(y * GRID + x)])
                    keep(nearest, k, squaredDistance(query, kept));
            }
        }
        // Everything beyond this ring lies at least `ring` buckets' sides away.
        const float beyond = static_cast<float>(ring) * side;
        if (nearest.size() == k && nearest.front() <= beyond * beyond)
            break;
    }
}

std::vector<float> NoveltyArchive::novelty(const std::vector<Behaviour>& generation) const
{
    const std::size_t k = static_cast<std::size_t>(neighbours);
    std::vector<float> result(generation.size());
    std::vector<float> nearest;
    nearest.reserve(k);
    for (std::size_t i = 0; i < generation.size(); ++i) {
        nearest.clear();
        for (std::size_t j = 0; j < generation.size(); ++j)
            if (j != i)
                keep(nearest, k, squaredDistance(generation[i], generation[j]));
        nearestInArchive(generation[i], nearest);
        if (nearest.empty()) {
            result[i] = std::sqrt(2.0f); // nothing to compare with: as far as the space allows
            continue;
        }
        // The k nearest in a fixed order, so the sum does not depend on the search's.
        std::sort(nearest.begin(), nearest.end());
        double sum = 0.0;
        for (const float d : nearest)
            sum += std::sqrt(static_cast<double>(d));
        result[i] = static_cast<float>(sum / static_cast<double>(nearest.size()));
    }
    return result;
}

void NoveltyArchive::update(const std::vector<Behaviour>& generation, const std::vector<float>& novelty)
{
    for (std::size_t i = 0; i < generation.size() && i < novelty.size(); ++i) {
        if (novelty[i] > currentThreshold && archive.size() < MAX_SIZE) {
            archive.push_back(generation[i]);
            index(generation[i]);
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
    for (std::vector<Behaviour>& bucket : buckets)
        bucket.clear();
    for (const Behaviour& b : archive)
        index(b);
    return true;
}

} // namespace modules
