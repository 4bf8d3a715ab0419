// The evolution strategies as the arena sees them: a run saved to JSON text and restored into
// a fresh method (even one seeded differently) continues with bit-identical candidates, at any
// point, candidates out or not; states that do not fit are refused and change nothing.

#include "brain/FlatNetwork.h"
#include "brain/NeuralNetwork.h"
#include "methods/CmaEs.h"
#include "methods/MethodRandom.h"
#include "methods/OpenAiEs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>

using modules::EvolutionMethod;
using modules::NeuralNetwork;

namespace {

using Factory = std::function<std::unique_ptr<EvolutionMethod>(std::uint64_t seed)>;

NeuralNetwork network(int hidden)
{
    std::srand(7);
    NeuralNetwork shape(1.0f);
    shape.addLayer(4);
    shape.addLayer(hidden);
    shape.addLayer(2);
    return shape;
}

// A fitness that rewards genes near 0.3, with ties (rounded) as the arena's scores have them.
std::vector<float> fitnesses(const std::vector<std::unique_ptr<modules::Brain>>& brains)
{
    std::vector<float> result;
    for (const auto& brain : brains) {
        float sum = 0.0f;
        for (float gene : dynamic_cast<const modules::FlatNetwork&>(*brain).genes())
            sum += (gene - 0.3f) * (gene - 0.3f);
        result.push_back(std::round(-sum * 4.0f) / 4.0f);
    }
    return result;
}

std::vector<std::vector<float>> genomes(const std::vector<std::unique_ptr<modules::Brain>>& brains)
{
    std::vector<std::vector<float>> result;
    for (const auto& brain : brains)
        result.push_back(dynamic_cast<const modules::FlatNetwork&>(*brain).genes());
    return result;
}

// The genomes of every generation from `first` to `last`, each generation asked twice (the
// second ask must give the same brains).
void run(EvolutionMethod& method, int first, int last, std::vector<std::vector<std::vector<float>>>& out)
{
    for (int g = first; g < last; ++g) {
        const auto brains = method.ask();
        EXPECT_EQ(genomes(method.ask()), genomes(brains)) << "generation " << g;
        out.push_back(genomes(brains));
        method.tell(fitnesses(brains));
    }
}

struct Case {
    const char* label;
    Factory make;
};

std::vector<Case> cases()
{
    const NeuralNetwork small = network(4); // 34 genes: full covariance
    const NeuralNetwork large = network(20); // 146 genes: separable
    return {
        {"cmaes, 34 genes", [=](std::uint64_t seed) { return modules::makeCmaEsMethod(small, 20, 0.6, seed); }},
        {"cmaes, 146 genes", [=](std::uint64_t seed) { return modules::makeCmaEsMethod(large, 20, 0.6, seed); }},
        {"cmaes, 3 candidates", [=](std::uint64_t seed) { return modules::makeCmaEsMethod(small, 3, 0.6, seed); }},
        {"openai-es, 20", [=](std::uint64_t seed) { return modules::makeOpenAiEsMethod(small, 20, 0.1, 0.05, seed); }},
        {"openai-es, 7", [=](std::uint64_t seed) { return modules::makeOpenAiEsMethod(small, 7, 0.1, 0.05, seed); }},
    };
}

TEST(MethodStateTest, SavedAndRestoredRunContinuesBitForBit)
{
    constexpr int GENERATIONS = 12;
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.label);
        auto straight = c.make(11);
        std::vector<std::vector<std::vector<float>>> expected;
        run(*straight, 0, GENERATIONS, expected);

        for (int cut : {0, 1, 5}) {
            for (bool candidatesOut : {false, true}) {
                SCOPED_TRACE("cut at " + std::to_string(cut) + (candidatesOut ? ", candidates out" : ""));
                auto first = c.make(11);
                std::vector<std::vector<std::vector<float>>> seen;
                run(*first, 0, cut, seen);
                if (candidatesOut)
                    first->ask();
                const std::string text = first->state().dump();

                auto resumed = c.make(99); // another seed: everything must come from the state
                std::string reason;
                ASSERT_TRUE(resumed->restore(nlohmann::json::parse(text), reason)) << reason;
                EXPECT_TRUE(resumed->state().dump() == text) << "the restored state differs from the saved one";
                run(*resumed, cut, GENERATIONS, seen);
                EXPECT_TRUE(seen == expected);
                EXPECT_TRUE(resumed->state().dump() == straight->state().dump()) << "the resumed run ends in another state";
            }
        }
    }
}

TEST(MethodStateTest, StatesThatDoNotFitAreRefusedAndChangeNothing)
{
    using Json = nlohmann::json;
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<const char*, std::function<void(Json&)>>> damages = {
        {"other method", [](Json& s) { s["method"] = s["method"] == "cmaes" ? "openai-es" : "cmaes"; }},
        {"short mean", [](Json& s) { s["search"]["mean"].erase(0); }},
        {"long mean", [](Json& s) { s["search"]["mean"].push_back(0.5); }},
        {"infinite mean", [=](Json& s) { s["search"]["mean"][3] = inf; }},
        {"text in mean", [](Json& s) { s["search"]["mean"][3] = "0.5"; }},
        {"other population", [](Json& s) { s["search"]["population"] = 21; }},
        {"negative generation", [](Json& s) { s["search"]["generation"] = -1; }},
        {"zero generator", [](Json& s) { s["random"]["xoshiro256"] = {0u, 0u, 0u, 0u}; }},
        {"no asked flag", [](Json& s) { s.erase("asked"); }},
        {"zero sigma", [](Json& s) { if (s["method"] == "cmaes") s["search"]["sigma"] = 0.0; else s.erase("search"); }},
        {"negative sigma", [](Json& s) { if (s["method"] == "cmaes") s["search"]["sigma"] = -0.5; else s.erase("search"); }},
        {"infinite sigma", [=](Json& s) { if (s["method"] == "cmaes") s["search"]["sigma"] = inf; else s.erase("search"); }},
        {"bad covariance", [=](Json& s) {
             Json& search = s["search"];
             if (search.contains("covariance"))
                 search["covariance"][1] = 7.0; // no longer symmetric
             else if (search.contains("covariance_diagonal"))
                 search["covariance_diagonal"][2] = -1.0;
             else
                 search["adam_second_moment"][2] = -1.0;
         }},
        {"non-positive eigenvalue or empty path", [=](Json& s) {
             Json& search = s["search"];
             if (search.contains("eigenvalue_roots"))
                 search["eigenvalue_roots"][0] = 0.0;
             else if (search.contains("path_sigma"))
                 search["path_sigma"] = Json::array();
             else
                 search["adam_first_moment"] = Json::array();
         }},
    };
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.label);
        auto method = c.make(5);
        std::vector<std::vector<std::vector<float>>> ignored;
        run(*method, 0, 3, ignored);
        method->ask();
        const Json good = method->state();
        const auto before = genomes(method->ask());
        for (const auto& [label, damage] : damages) {
            SCOPED_TRACE(label);
            Json bad = good;
            damage(bad);
            std::string reason;
            EXPECT_FALSE(method->restore(bad, reason));
            EXPECT_FALSE(reason.empty());
            EXPECT_TRUE(method->state() == good) << "a refused state changed the method";
            EXPECT_EQ(genomes(method->ask()), before);
        }
    }
}

TEST(MethodRandomTest, StateRoundTripsThroughTextAndAllZerosIsRefused)
{
    modules::MethodRandom random(2026);
    for (int i = 0; i < 7; ++i)
        random.gaussian();
    const std::string text = random.state().dump();
    modules::MethodRandom copy(1);
    std::string reason;
    ASSERT_TRUE(copy.restore(nlohmann::json::parse(text), reason)) << reason;
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(copy.gaussian(), random.gaussian()) << "draw " << i;
    EXPECT_EQ(copy.next(), random.next());

    nlohmann::json zero = random.state();
    zero["xoshiro256"] = {0u, 0u, 0u, 0u};
    const nlohmann::json before = copy.state();
    EXPECT_FALSE(copy.restore(zero, reason));
    EXPECT_NE(reason.find("zero"), std::string::npos) << reason;
    EXPECT_EQ(copy.state(), before);
}

// A million draws against the normal distribution: mean, variance, and a chi-square over 34
// bins of width 0.25 from -4 to 4 plus both tails, with the bin chances from erfc. A wrong
// layer table, a lost tail or a lost sign moves them far past these bounds (about 5 standard
// deviations, so a sound sampler with any seed passes).
TEST(MethodRandomTest, GaussiansFollowTheNormalDistribution)
{
    constexpr int DRAWS = 1000000;
    constexpr int BINS = 34;
    const auto below = [](double a) { return 0.5 * std::erfc(-a / std::sqrt(2.0)); };
    const auto binOf = [](double x) { return x < -4.0 ? 0 : x >= 4.0 ? BINS - 1 : 1 + static_cast<int>((x + 4.0) * 4.0); };
    modules::MethodRandom random(20260);
    std::vector<long> count(BINS, 0);
    double sum = 0.0, squares = 0.0;
    for (int i = 0; i < DRAWS; ++i) {
        const double x = random.gaussian();
        ASSERT_TRUE(std::isfinite(x));
        sum += x;
        squares += x * x;
        ++count[binOf(x)];
    }
    const double mean = sum / DRAWS;
    const double variance = squares / DRAWS - mean * mean;
    EXPECT_NEAR(mean, 0.0, 5.0 / std::sqrt(DRAWS));
    EXPECT_NEAR(variance, 1.0, 5.0 * std::sqrt(2.0 / DRAWS));
    double chiSquare = 0.0;
    for (int b = 0; b < BINS; ++b) {
        const double low = b == 0 ? -HUGE_VAL : -4.0 + (b - 1) * 0.25;
        const double high = b == BINS - 1 ? HUGE_VAL : -4.0 + b * 0.25;
        const double expected = DRAWS * (below(high) - below(low));
        chiSquare += (count[b] - expected) * (count[b] - expected) / expected;
    }
    // 33 degrees of freedom: mean 33, standard deviation 8.1.
    EXPECT_LT(chiSquare, 80.0) << "tails " << count[0] << " and " << count[BINS - 1];
}

} // namespace

namespace {

TEST(MethodStateTest, FactoriesNameTheMethodItsVariantAndParametersAndAcceptAnyPopulation)
{
    const auto small = modules::makeCmaEsMethod(network(6), 20, 0.6, 1); // 48 genes
    const auto large = modules::makeCmaEsMethod(network(7), 20, 0.6, 1); // 55 genes
    EXPECT_EQ(small->description(), "full covariance");
    EXPECT_EQ(large->description(), "separable (diagonal) covariance");
    EXPECT_EQ(small->name(), "cmaes");
    EXPECT_EQ(small->parameters(), (nlohmann::json{{"sigma", 0.6}}));
    const auto es = modules::makeOpenAiEsMethod(network(4), 20, 0.02, 0.01, 1);
    EXPECT_EQ(es->name(), "openai-es");
    EXPECT_EQ(es->parameters(), (nlohmann::json{{"sigma", 0.02}, {"learning_rate", 0.01}}));

    // An empty population and a single candidate run without harm.
    for (int population : {0, 1, 2}) {
        SCOPED_TRACE(population);
        std::vector<std::unique_ptr<EvolutionMethod>> methods;
        methods.push_back(modules::makeCmaEsMethod(network(4), population, 0.6, 1));
        methods.push_back(modules::makeOpenAiEsMethod(network(4), population, 0.02, 0.01, 1));
        for (auto& method : methods) {
            for (int g = 0; g < 3; ++g) {
                const auto brains = method->ask();
                ASSERT_EQ(brains.size(), static_cast<size_t>(population));
                method->tell(fitnesses(brains));
            }
            std::string reason;
            EXPECT_TRUE(method->restore(nlohmann::json::parse(method->state().dump()), reason)) << reason;
        }
    }
}

} // namespace
