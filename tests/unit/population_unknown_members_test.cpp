// Members that no method has, inside a population file's method section, are passed over
// while the file is parsed: a long list or a deep nest of them costs the reader no value built
// (a 15.8 MB file with 7.9 million of them used to take some 536 MB). And every member a
// method's state really has is one the reader keeps.

#include "brain/NeuralNetwork.h"
#include "core/Random.h"
#include "evolution/PopulationFile.h"
#include "methods/MethodRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace {

using Json = nlohmann::json;

// A genetic algorithm's run at generation 2: its method state in the file is "{}".
std::string smallRunText()
{
    modules::SavedRun run;
    run.params.populationSize = 3;
    run.params.hiddenNeurons = 1;
    run.seed = 8;
    run.generation = 2;
    modules::seedRandom(8);
    run.randomState = modules::captureRandomState();
    run.methodState = {{"genomes", std::vector<std::vector<float>>(3, std::vector<float>(13, 0.5f))}};
    run.history = {{3.0f, 1.5, 1.0}, {4.0f, 2.0, 2.0}};
    return modules::populationToJson(run);
}

std::string zeros(int count)
{
    std::string text = "[0";
    text.reserve(2 * static_cast<std::size_t>(count) + 1);
    for (int i = 1; i < count; ++i)
        text += ",0";
    return text + "]";
}

TEST(PopulationUnknownMembers, UnknownMembersOfTheMethodSectionAreNotBuilt)
{
    const std::string good = smallRunText();
    const std::string::size_type state = good.find("\"state\": {}");
    ASSERT_NE(state, std::string::npos);
    const std::string::size_type parameters = good.find("\"parameters\": {}");
    ASSERT_NE(parameters, std::string::npos);
    const std::string list = zeros(1000000);
    const struct {
        const char* label;
        std::string text;
    } cases[] = {
        {"no unknown member", good},
        {"a long list in the state", std::string(good).replace(state, 11, "\"state\": {\"padding\": " + list + "}")},
        {"a nest of lists in the state",
         std::string(good).replace(state, 11, "\"state\": {\"padding\": [[" + list + ", {\"a\": " + list + "}]]}")},
        {"a long list beside the state",
         std::string(good).replace(state, 11, "\"state\": {}, \"extra\": {\"mean\": " + list + "}")},
        {"a long list in the method's parameters",
         std::string(good).replace(parameters, 16, "\"parameters\": {\"padding\": " + list + "}")},
    };
    long long baseline = -1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        modules::SavedRun run;
        std::string reason;
        long long kept = -1;
        ASSERT_TRUE(modules::populationFromJson(c.text, run, reason, &kept)) << reason;
        EXPECT_EQ(run.methodState["genomes"].size(), 3u);
        if (baseline < 0)
            baseline = kept;
        EXPECT_EQ(kept, baseline) << "values built for an unknown member";
    }
    EXPECT_GT(baseline, 0);
    EXPECT_LT(baseline, 1000);
}

// Every member name in each method's state, after some generations (NEAT's innovations and
// species), is one the reader keeps: else its files would lose part of their state.
TEST(PopulationUnknownMembers, EveryMethodsStateMembersAreKnownToTheReader)
{
    const std::function<void(const Json&)> check = [&](const Json& value) {
        if (value.is_object())
            for (const auto& [key, item] : value.items()) {
                EXPECT_TRUE(modules::isMethodSectionKey(key)) << key;
                check(item);
            }
        else if (value.is_array())
            for (const Json& item : value)
                check(item);
    };
    for (const modules::MethodInfo& info : modules::evolutionMethods()) {
        for (int hidden : {4, 20}) {
            SCOPED_TRACE(std::string(info.name) + ", " + std::to_string(hidden) + " hidden neurons");
            modules::EvolutionParams params;
            ASSERT_TRUE(modules::chooseMethod(params, info.name));
            params.populationSize = 30;
            params.hiddenNeurons = hidden;
            std::srand(5);
            modules::NeuralNetwork shape(1.0f);
            shape.addLayer(4);
            shape.addLayer(hidden);
            shape.addLayer(2);
            const auto method = info.make(shape, params, 5, false);
            for (int g = 0; g < 12; ++g) {
                const auto brains = method->ask();
                std::vector<float> fitness;
                for (std::size_t i = 0; i < brains.size(); ++i)
                    fitness.push_back(static_cast<float>((i * 7 + g) % 11));
                method->tell(fitness);
            }
            method->ask();
            check(method->state());
        }
    }
}

} // namespace
