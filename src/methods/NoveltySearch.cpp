#include "methods/NoveltySearch.h"

#include <utility>

namespace modules {

NoveltySearch::NoveltySearch(std::unique_ptr<EvolutionMethod> inner, int k, float threshold)
    : method(std::move(inner))
    , novelty(k, threshold)
{
}

void NoveltySearch::tell(const std::vector<float>& fitnesses)
{
    tellOutcome(fitnesses, std::vector<Behaviour>(fitnesses.size()));
}

void NoveltySearch::tellOutcome(const std::vector<float>& fitnesses, const std::vector<Behaviour>& behaviours)
{
    std::vector<Behaviour> seen = behaviours;
    seen.resize(fitnesses.size()); // one per brain, whatever came
    scores = novelty.novelty(seen);
    novelty.update(seen, scores);
    method->tell(scores);
}

nlohmann::json NoveltySearch::state() const
{
    nlohmann::json state = method->state();
    state["novelty"] = novelty.state();
    return state;
}

bool NoveltySearch::restore(const nlohmann::json& state, std::string& reason)
{
    const auto found = state.is_object() ? state.find("novelty") : state.end();
    if (found == state.end()) {
        reason = "the state has no novelty archive (the run was saved with the fitness objective)";
        return false;
    }
    NoveltyArchive restored = novelty;
    if (!restored.restore(*found, reason))
        return false;
    if (!method->restore(state, reason))
        return false;
    novelty = std::move(restored);
    scores.clear();
    return true;
}

} // namespace modules
