#include "methods/neat/NeatMethod.h"

#include "methods/neat/NeatNetwork.h"

#include <cstdio>

namespace modules {

NeatMethod::NeatMethod(int inputs, int outputs, int populationSize, float weightRange, std::uint64_t seed,
                       const NeatSettings& settings)
    : settings(settings)
    , genomes(inputs, outputs, populationSize, weightRange, seed, settings)
{
}

std::vector<std::unique_ptr<Brain>> NeatMethod::ask()
{
    std::vector<std::unique_ptr<Brain>> brains;
    brains.reserve(genomes.genomes().size());
    for (const NeatGenome& genome : genomes.genomes())
        brains.push_back(std::make_unique<NeatNetwork>(genome, genomes.inputs(), genomes.outputs()));
    return brains;
}

void NeatMethod::tell(const std::vector<float>& fitnesses)
{
    if (fitnesses.size() != genomes.genomes().size()) {
        std::puts("Error: NeatMethod::tell: one fitness per genome expected");
        return;
    }
    genomes.evolve(std::vector<double>(fitnesses.begin(), fitnesses.end()));
}

nlohmann::json NeatMethod::parameters() const
{
    return neatSettingsToJson(settings);
}

nlohmann::json NeatMethod::state() const
{
    nlohmann::json state = genomes.state();
    state["kind"] = "neat";
    return state;
}

bool NeatMethod::restore(const nlohmann::json& state, std::string& reason)
{
    if (!state.is_object() || !state.contains("kind") || state["kind"] != "neat") {
        reason = "the state is not a NEAT state";
        return false;
    }
    return genomes.restore(state, reason);
}

std::string NeatMethod::description() const
{
    return "NEAT: " + std::to_string(speciesCount()) + " species, mean genome size "
           + std::to_string(static_cast<int>(meanGenomeSize() + 0.5));
}

int NeatMethod::speciesCount() const
{
    return static_cast<int>(genomes.species().size());
}

double NeatMethod::meanGenomeSize() const
{
    const auto& all = genomes.genomes();
    if (all.empty())
        return 0.0;
    double sum = 0.0;
    for (const NeatGenome& genome : all)
        sum += genome.enabledConnectionCount() + genome.hiddenCount();
    return sum / all.size();
}

std::unique_ptr<EvolutionMethod> makeNeatMethod(int inputs, int outputs, int populationSize, float weightRange,
                                                std::uint64_t seed, const NeatSettings& settings)
{
    return std::make_unique<NeatMethod>(inputs, outputs, populationSize, weightRange, seed, settings);
}

} // namespace modules
