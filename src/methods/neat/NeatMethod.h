#pragma once

#include "methods/EvolutionMethod.h"
#include "methods/neat/NeatPopulation.h"
#include "methods/neat/NeatSettings.h"

#include <cstdint>
#include <memory>

namespace modules {

// NeuroEvolution of Augmenting Topologies (Stanley and Miikkulainen 2002) behind the
// ask/tell interface: networks start with every input joined to every output and grow
// hidden nodes and connections over the generations.
class NeatMethod : public EvolutionMethod {
public:
    NeatMethod(int inputs, int outputs, int populationSize, float weightRange, std::uint64_t seed,
               const NeatSettings& settings = {});

    std::string name() const override { return "neat"; }
    std::vector<std::unique_ptr<Brain>> ask() override;
    // A list of the wrong length writes one line and changes nothing.
    void tell(const std::vector<float>& fitnesses) override;
    nlohmann::json parameters() const override;
    nlohmann::json state() const override;
    bool restore(const nlohmann::json& state, std::string& reason) override;
    std::string description() const override;

    int speciesCount() const override;
    // Mean over the genomes of their enabled connections plus their hidden nodes: the parts
    // that NEAT grows.
    double meanGenomeSize() const;
    const NeatPopulation& population() const { return genomes; }

private:
    NeatSettings settings;
    NeatPopulation genomes;
};

// The vehicles' NEAT for networks of the task's `inputs` and `outputs`.
std::unique_ptr<EvolutionMethod> makeNeatMethod(int inputs, int outputs, int populationSize, float weightRange,
                                                std::uint64_t seed, const NeatSettings& settings = {});

} // namespace modules
