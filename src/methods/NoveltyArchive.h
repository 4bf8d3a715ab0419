#pragma once

#include "evolution/Behaviour.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace modules {

// Novelty search's measure and memory (Lehman & Stanley, "Abandoning Objectives: Evolution
// Through the Search for Novelty Alone", Evolutionary Computation 19(2), 2011). A behaviour's
// novelty is its mean distance to its k nearest neighbours among the rest of its generation
// and the archive; behaviours more novel than the threshold join the archive. The threshold
// adapts as in the paper's maze experiments: when ADJUST_EVALUATIONS evaluations pass with
// no addition it falls by 5%, when more than RAISE_ABOVE are added within them it rises by
// 20%. Behaviours are scaled to [0, 1], so distances are in shares of the space's side.
class NoveltyArchive {
public:
    static constexpr int DEFAULT_K = 15; // the paper's
    // Ours: the paper's starting threshold is in its maze's units; the rule moves it anyway.
    static constexpr float DEFAULT_THRESHOLD = 0.03f;
    static constexpr long long ADJUST_EVALUATIONS = 2500;
    static constexpr int RAISE_ABOVE = 4;
    static constexpr float RAISE = 1.2f;
    static constexpr float LOWER = 0.95f;
    // Enough for any run's lifetime at the adaptive threshold; a full archive adds nothing more.
    static constexpr std::size_t MAX_SIZE = 1000000;

    NoveltyArchive(int k = DEFAULT_K, float threshold = DEFAULT_THRESHOLD);

    // The novelty of each behaviour of a generation, before the archive learns of it.
    std::vector<float> novelty(const std::vector<Behaviour>& generation) const;
    // Adds the behaviours whose novelty (as novelty() gave it) passes the threshold, in
    // order, and adapts the threshold.
    void update(const std::vector<Behaviour>& generation, const std::vector<float>& novelty);

    const std::vector<Behaviour>& behaviours() const { return archive; }
    float threshold() const { return currentThreshold; }
    int k() const { return neighbours; }

    // The archive, the threshold and the counts towards its next adjustment (k is a parameter).
    nlohmann::json state() const;
    // False with a reason, and nothing changed, for a state this archive could not reach.
    bool restore(const nlohmann::json& state, std::string& reason);

private:
    // The archive is also kept in a grid of GRID x GRID buckets over the space, so that a
    // behaviour's nearest neighbours are searched ring by ring around its bucket and the
    // cost grows with the archive's density, not its size.
    static constexpr int GRID = 64;
    static constexpr std::size_t SMALL_ARCHIVE = 128;
    void index(const Behaviour& behaviour);
    // Squared distances to the k nearest archived behaviours, joined into `nearest` (a max-heap
    // of at most k).
    void nearestInArchive(const Behaviour& query, std::vector<float>& nearest) const;

    int neighbours;
    float currentThreshold;
    std::vector<Behaviour> archive;
    std::vector<std::vector<Behaviour>> buckets = std::vector<std::vector<Behaviour>>(GRID * GRID);
    long long evaluationsSinceAdjust = 0;
    long long addedSinceAdjust = 0;
};

} // namespace modules
