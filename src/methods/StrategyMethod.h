#pragma once

#include "brain/FlatNetwork.h"
#include "brain/NeuralNetwork.h"
#include "methods/EvolutionMethod.h"
#include "methods/MethodRandom.h"
#include "methods/SearchStrategy.h"

#include <memory>

namespace modules {

// Runs a search strategy on network genomes: candidates become networks of the template's
// shape, fitnesses (higher is better) become costs (lower is better). The strategies work
// in doubles; the networks get the nearest floats.
class StrategyMethod : public EvolutionMethod {
public:
    StrategyMethod(std::string name, nlohmann::json parameters, const NeuralNetwork& shape,
                   std::unique_ptr<SearchStrategy> strategy, std::uint64_t seed);

    std::string name() const override { return methodName; }
    std::vector<std::unique_ptr<Brain>> ask() override;
    // A fitness that is not a finite number counts as the worst.
    void tell(const std::vector<float>& fitnesses) override;
    nlohmann::json parameters() const override { return methodParameters; }
    nlohmann::json state() const override;
    bool restore(const nlohmann::json& state, std::string& reason) override;
    std::string description() const override { return strategy->description(); }

    const SearchStrategy& search() const { return *strategy; }

private:
    std::string methodName;
    nlohmann::json methodParameters;
    FlatNetwork shape;
    std::unique_ptr<SearchStrategy> strategy;
    MethodRandom random;
    // While candidates are out, the generator as it was before they were drawn: a state saved
    // then draws them again on restore.
    MethodRandom randomBeforeAsk;
    bool asked = false;
    const Eigen::MatrixXd* candidates = nullptr;
};

} // namespace modules
