#pragma once

#include "methods/EvolutionMethod.h"
#include "methods/NoveltyArchive.h"

#include <memory>

namespace modules {

// A method (the genetic algorithm, NEAT) bred for novelty instead of fitness: each
// generation's behaviours are scored by the archive and those scores are what the method is
// told. The fitness itself is still measured by the run and reported. Draws nothing, so the
// method's own draws are those of a fitness run.
class NoveltySearch : public EvolutionMethod {
public:
    NoveltySearch(std::unique_ptr<EvolutionMethod> inner, int k, float threshold);

    std::string name() const override { return method->name(); }
    std::vector<std::unique_ptr<Brain>> ask() override { return method->ask(); }
    // Without behaviours all count as the same: every novelty comes out alike.
    void tell(const std::vector<float>& fitnesses) override;
    void tellOutcome(const std::vector<float>& fitnesses, const std::vector<Behaviour>& behaviours) override;
    nlohmann::json parameters() const override { return method->parameters(); }
    // The method's own state with the archive under "novelty".
    nlohmann::json state() const override;
    bool restore(const nlohmann::json& state, std::string& reason) override;
    int speciesCount() const override { return method->speciesCount(); }
    // The method's own: the run's objective line says it is bred for novelty.
    std::string description() const override { return method->description(); }

    EvolutionMethod& inner() { return *method; }
    const EvolutionMethod& inner() const { return *method; }
    const NoveltyArchive& archive() const { return novelty; }
    // The novelty each brain of the last finished generation was scored with.
    const std::vector<float>& lastNovelty() const { return scores; }

private:
    std::unique_ptr<EvolutionMethod> method;
    NoveltyArchive novelty;
    std::vector<float> scores;
};

} // namespace modules
