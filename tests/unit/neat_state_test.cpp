// NEAT's complete state: a run saved as text, read back and continued is the same run,
// and a state that does not fit is refused without harm.

#include "methods/neat/NeatMethod.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace modules;

namespace {

NeatSettings growing()
{
    NeatSettings settings;
    settings.addNodeRate = 0.2;
    settings.addConnectionRate = 0.3;
    settings.reenableRate = 0.1;
    settings.stagnationLimit = 3; // species die during the test
    settings.targetSpecies = 4;
    return settings;
}

// A fitness that depends on every output bit of a few fixed sensor readings.
std::vector<float> evaluate(EvolutionMethod& method)
{
    static const std::vector<std::vector<float>> readings{
        {0.0f, 0.0f, 0.0f, 0.0f}, {1.0f, 0.5f, 0.0f, 0.25f}, {0.2f, 0.9f, 0.7f, 0.1f}, {1.0f, 1.0f, 1.0f, 1.0f}};
    std::vector<float> fitnesses;
    for (auto& brain : method.ask()) {
        float fitness = 0.0f;
        std::vector<float> outputs(2, 0.0f);
        for (const auto& inputs : readings) {
            brain->process(inputs, outputs);
            fitness += outputs[0] * (1.0f - outputs[1]);
        }
        fitnesses.push_back(fitness);
    }
    return fitnesses;
}

std::vector<std::vector<float>> run(EvolutionMethod& method, int generations)
{
    std::vector<std::vector<float>> history;
    for (int g = 0; g < generations; ++g) {
        history.push_back(evaluate(method));
        method.tell(history.back());
    }
    return history;
}

} // namespace

TEST(NeatState, SavedAsTextAndRestoredTheRunGoesOnBitForBit)
{
    for (int savedAt : {0, 9}) {
        auto straight = makeNeatMethod(4, 2, 30, 1.0f, 42, growing());
        run(*straight, savedAt);
        const std::string text = straight->state().dump();

        auto resumed = makeNeatMethod(4, 2, 30, 1.0f, 7, growing()); // another seed: all from the state
        std::string reason;
        ASSERT_TRUE(resumed->restore(nlohmann::json::parse(text), reason)) << reason;
        EXPECT_EQ(resumed->state().dump(), text);

        const auto expected = run(*straight, 12);
        const auto got = run(*resumed, 12);
        EXPECT_EQ(got, expected) << "saved at generation " << savedAt;
        EXPECT_EQ(resumed->state().dump(), straight->state().dump());
    }
    // The run grew and speciated, so the state held more than the starting genomes.
    auto grown = makeNeatMethod(4, 2, 30, 1.0f, 42, growing());
    auto& neat = static_cast<NeatMethod&>(*grown);
    int mostSpecies = 0;
    for (int generation = 0; generation < 21; ++generation) {
        run(*grown, 1);
        mostSpecies = std::max(mostSpecies, neat.speciesCount());
    }
    EXPECT_GT(neat.meanGenomeSize(), 8.0);
    EXPECT_GT(mostSpecies, 1);
}

TEST(NeatState, RefusesWhatDoesNotFitAndChangesNothing)
{
    auto method = makeNeatMethod(4, 2, 30, 1.0f, 42, growing());
    run(*method, 9);
    const nlohmann::json good = method->state();
    const std::string before = good.dump();

    // A genome with a hidden node, for the structural faults.
    size_t withHidden = 0;
    int hidden = -1;
    for (size_t k = 0; k < good["genomes"].size() && hidden < 0; ++k)
        for (const auto& node : good["genomes"][k]["nodes"])
            if (node[1] == 2) {
                withHidden = k;
                hidden = node[0].get<int>();
            }
    ASSERT_GE(hidden, 0);
    const int nextInnovation = good["innovations"]["next_innovation"].get<int>();

    struct Fault {
        const char* what;
        std::function<void(nlohmann::json&)> plant;
    };
    const std::vector<Fault> faults{
        {"a self-loop (a cycle)",
         [&](nlohmann::json& s) {
             auto& genome = s["genomes"][withHidden];
             genome["connections"].push_back({hidden, hidden, 0.5, true, nextInnovation});
             s["innovations"]["next_innovation"] = nextInnovation + 1;
         }},
        {"a connection to a node the genome lacks",
         [&](nlohmann::json& s) { s["genomes"][withHidden]["connections"][0][1] = 5000; }},
        {"a weight that is not a number", [&](nlohmann::json& s) { s["genomes"][3]["connections"][0][2] = nullptr; }},
        {"a weight beyond float", [&](nlohmann::json& s) { s["genomes"][3]["connections"][0][2] = 1e300; }},
        {"an innovation never handed out",
         [&](nlohmann::json& s) { s["innovations"]["next_innovation"] = 2; }},
        {"a genome missing", [&](nlohmann::json& s) { s["genomes"].erase(s["genomes"].size() - 1); }},
        {"a genome of an unknown species", [&](nlohmann::json& s) { s["genomes"][0]["species"] = 100000; }},
        {"an all-zero generator", [&](nlohmann::json& s) { s["random"]["xoshiro256"] = {0, 0, 0, 0}; }},
        {"a state of another method", [&](nlohmann::json& s) { s["kind"] = "cmaes"; }},
        {"a threshold of 0", [&](nlohmann::json& s) { s["threshold"] = 0.0; }},
    };
    for (const Fault& fault : faults) {
        nlohmann::json bad = good;
        fault.plant(bad);
        std::string reason;
        EXPECT_FALSE(method->restore(bad, reason)) << fault.what;
        EXPECT_FALSE(reason.empty()) << fault.what;
        EXPECT_EQ(method->state().dump(), before) << fault.what;
    }
    std::string reason;
    EXPECT_TRUE(method->restore(good, reason)) << reason;
}

TEST(NeatState, ParametersReadBackAndOutOfRangeValuesAreRefused)
{
    NeatSettings settings = growing();
    settings.weightLimit = 3.5;
    const nlohmann::json written = makeNeatMethod(4, 2, 10, 1.0f, 1, settings)->parameters();
    NeatSettings read;
    std::string reason;
    ASSERT_TRUE(neatSettingsFromJson(written, read, reason)) << reason;
    EXPECT_EQ(neatSettingsToJson(read), written);
    EXPECT_EQ(read.weightLimit, 3.5);
    EXPECT_EQ(read.stagnationLimit, 3);

    for (const char* bad : {R"({"add-node-rate": 1.5})", R"({"target-species": 0})", R"({"threshold-step": 0})",
                            R"({"add-nod-rate": 0.1})", R"({"stagnation-limit": 2.5})"}) {
        NeatSettings unchanged = read;
        reason.clear();
        EXPECT_FALSE(neatSettingsFromJson(nlohmann::json::parse(bad), unchanged, reason)) << bad;
        EXPECT_FALSE(reason.empty()) << bad;
        EXPECT_EQ(neatSettingsToJson(unchanged), written) << bad;
    }
}
