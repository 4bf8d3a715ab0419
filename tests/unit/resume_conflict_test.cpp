// The one check both ways of continuing a saved run (the window's Start, kinetarium-batch
// --load) use: what the saved genomes and the method's saved state fix.

#include "evolution/ResumeCheck.h"
#include "methods/MethodRegistry.h"

#include <gtest/gtest.h>

#include <functional>

TEST(ResumeConflict, TheGenomesShapeThenTheMethodThenWhatTheSearchFixed)
{
    using Kind = modules::ResumeConflict::Kind;
    const struct {
        const char* method;
        std::function<void(modules::EvolutionParams&)> change;
        Kind kind;
        const char* option;
    } cases[] = {
        {"ga", [](auto& p) { p.mutationRate = 0.2f; }, Kind::NONE, ""},
        {"ga", [](auto& p) { p.hiddenNeurons = 5; }, Kind::SHAPE, "hidden-neurons"},
        {"ga", [](auto& p) { p.populationSize = 30; }, Kind::SHAPE, "population-size"},
        {"ga", [](auto& p) { p.populationSize = 30, p.hiddenNeurons = 5; }, Kind::SHAPE, "hidden-neurons"},
        {"ga", [](auto& p) { p.populationSize = 30, p.method = "cmaes"; }, Kind::SHAPE, "population-size"},
        {"ga", [](auto& p) { p.method = "neat"; }, Kind::METHOD, "method"},
        {"ga", [](auto& p) { p.weightRange = 2.0f; }, Kind::FIXED_VALUE, "weight-range"},
        {"cmaes", [](auto& p) { p.sigma = 0.3f; }, Kind::FIXED_VALUE, "sigma"},
        {"openai-es", [](auto& p) { p.sigma = 0.3f, p.learningRate = 0.5f; }, Kind::NONE, ""},
        {"neat", [](auto& p) { p.weightRange = 2.0f; }, Kind::NONE, ""},
    };
    for (const auto& c : cases) {
        modules::EvolutionParams saved;
        modules::chooseMethod(saved, c.method);
        modules::EvolutionParams wanted = saved;
        c.change(wanted);
        const modules::ResumeConflict conflict = modules::resumeConflict(saved, wanted);
        SCOPED_TRACE(std::string(c.method) + " " + c.option);
        EXPECT_EQ(conflict.kind, c.kind);
        EXPECT_EQ(conflict.option, c.option);
        EXPECT_EQ(conflict.why.empty(), c.kind != Kind::FIXED_VALUE);
    }
}
