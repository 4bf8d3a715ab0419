// Every evolution method resumes exactly: a run saved part-way into a generation (the file
// holds the boundary before it), read back into a new engine with another seed, goes on as
// the uninterrupted run, fitness for fitness, from generation 0 or later; novelty search's
// archive and MAP-Elites' grid included. A version-1 file
// (the genetic algorithm's genomes at the top level) still loads.

#include "TestEngine.h"

#include "evolution/EvolutionRun.h"
#include "evolution/PopulationFile.h"
#include "methods/MethodRegistry.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using modules::engine;
using modules::EvolutionParams;
using modules::SavedRun;

namespace {

constexpr unsigned SEED = 2027u;
constexpr int GENERATIONS = 4;

struct MethodCase {
    const char* name;
    const char* method;
    int savedAt; // generations finished when the file is written
    int objective = 0;
};

class MethodResume : public testing_support::NullEngineTest, public ::testing::WithParamInterface<MethodCase> {
protected:
    static EvolutionParams params()
    {
        EvolutionParams p;
        p.generationTime = 2.0f;
        p.itemCount = 30;
        p.populationSize = 7; // odd: OpenAI-ES's unpaired candidate too
        p.hiddenNeurons = 3;
        EXPECT_TRUE(modules::chooseMethod(p, GetParam().method));
        p.objective = GetParam().objective;
        p.mapCells = 3; // few cells: elites get beaten and replaced within the run
        return p;
    }
    void runUntil(int generation)
    {
        for (int steps = 0; engine.world->run && engine.world->run->generation < generation; ++steps) {
            ASSERT_LT(steps, 100000) << "generation " << generation << " never came";
            step();
        }
        ASSERT_NE(engine.world->run, nullptr) << "the run ended early";
    }
    // Fitness values as their bytes: equal means the same run.
    static std::vector<std::string> bytesOf(const std::vector<modules::GenerationFitness>& history)
    {
        std::vector<std::string> bytes;
        for (const modules::GenerationFitness& f : history) {
            std::string entry(sizeof f.best + sizeof f.mean + sizeof f.median, '\0');
            std::memcpy(&entry[0], &f.best, sizeof f.best);
            std::memcpy(&entry[sizeof f.best], &f.mean, sizeof f.mean);
            std::memcpy(&entry[sizeof f.best + sizeof f.mean], &f.median, sizeof f.median);
            bytes.push_back(entry);
        }
        return bytes;
    }
};

} // namespace

TEST_P(MethodResume, SavedMidGenerationAndLoadedEqualsTheUninterruptedRun)
{
    startEngine(SEED);
    modules::startEvolution(params(), *engine.world);
    ASSERT_EQ(engine.world->run->method->name(), GetParam().method);
    runUntil(GENERATIONS);
    const auto expected = bytesOf(engine.world->run->history);
    // The whole run at its last boundary: generator, history and the method's complete state.
    const std::string expectedEnd = modules::populationToJson(modules::savedRun(*engine.world->run));
    engine.shutdown();

    startEngine(SEED);
    modules::startEvolution(params(), *engine.world);
    runUntil(GetParam().savedAt);
    for (int i = 0; i < 20; ++i)
        step(); // part way into the next generation: the method has handed out its brains
    const std::string text = modules::populationToJson(modules::savedRun(*engine.world->run));
    engine.shutdown();

    startEngine(SEED + 99);
    SavedRun run;
    std::string reason;
    ASSERT_TRUE(modules::populationFromJson(text, run, reason)) << reason;
    EXPECT_EQ(run.params.method, GetParam().method);
    EXPECT_EQ(run.params.sigma, params().sigma);
    EXPECT_EQ(run.params.learningRate, params().learningRate);
    ASSERT_TRUE(modules::resumeEvolution(run, run.params, *engine.world, animationTime, reason)) << reason;
    EXPECT_EQ(engine.world->run->method->name(), GetParam().method);
    runUntil(GENERATIONS);
    EXPECT_EQ(bytesOf(engine.world->run->history), expected);
    const std::string end = modules::populationToJson(modules::savedRun(*engine.world->run));
    EXPECT_TRUE(end == expectedEnd) << "the resumed run ends in another state than the uninterrupted one";
    // Written again at the end, the state reads back to the same text: nothing is lost.
    SavedRun again;
    ASSERT_TRUE(modules::populationFromJson(end, again, reason)) << reason;
    EXPECT_EQ(modules::populationToJson(again), end);
}

INSTANTIATE_TEST_SUITE_P(Methods, MethodResume,
                         ::testing::Values(MethodCase{"ga_generation0", "ga", 0}, MethodCase{"ga", "ga", 2},
                                           MethodCase{"cmaes_generation0", "cmaes", 0},
                                           MethodCase{"cmaes", "cmaes", 2},
                                           MethodCase{"openai_es_generation0", "openai-es", 0},
                                           MethodCase{"openai_es", "openai-es", 2},
                                           MethodCase{"neat_generation0", "neat", 0}, MethodCase{"neat", "neat", 2},
                                           MethodCase{"map_elites_generation0", "map-elites", 0},
                                           MethodCase{"map_elites", "map-elites", 2},
                                           MethodCase{"ga_novelty_generation0", "ga", 0, modules::NOVELTY_OBJECTIVE},
                                           MethodCase{"ga_novelty", "ga", 2, modules::NOVELTY_OBJECTIVE},
                                           MethodCase{"neat_novelty", "neat", 2, modules::NOVELTY_OBJECTIVE}),
                         [](const auto& info) { return std::string(info.param.name); });

// A version-1 file is the genetic algorithm's: it loads as "ga" with the same genomes and
// writes back as version 2 holding them.
TEST(PopulationVersion1, LoadsAsTheGeneticAlgorithm)
{
    const std::string v1 = R"({"format": "kinetarium-population", "version": 1,
        "parameters": {"generation_time": 20.0, "item_count": 60, "population_size": 2, "elite_count": 1,
                       "selector": "tournament", "crossover_rate": 0.8, "mutation_rate": 0.05,
                       "max_perturbation": 10.0, "hidden_neurons": 0, "weight_range": 1.0},
        "seed": 5, "generation": 1,
        "random_state": [3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24,
                         25, 26, 27, 28, 29, 30, 31],
        "history": [{"best": 2.0, "mean": 1.0, "median": 1.0}],
        "genomes": [[0.5, -0.25, 0.125, 1.0, 2.0, 3.0], [-1.5, 0.75, 0.0, -2.0, -3.0, 4.0]]})";
    SavedRun run;
    std::string reason;
    ASSERT_TRUE(modules::populationFromJson(v1, run, reason)) << reason;
    EXPECT_EQ(run.params.method, "ga");
    EXPECT_EQ(run.params.task, "collect"); // files from before tasks hold item collection runs
    EXPECT_EQ(run.params.selectorType, 1);
    const nlohmann::json genomes = {{0.5, -0.25, 0.125, 1.0, 2.0, 3.0}, {-1.5, 0.75, 0.0, -2.0, -3.0, 4.0}};
    EXPECT_EQ(run.methodState, nlohmann::json({{"genomes", genomes}}));

    const nlohmann::json written = nlohmann::json::parse(modules::populationToJson(run));
    EXPECT_EQ(written["version"], modules::POPULATION_FORMAT_VERSION);
    EXPECT_EQ(written["parameters"]["task"], "collect");
    EXPECT_EQ(written["method"]["name"], "ga");
    // The genetic algorithm's genomes stay at the top level, read entry by entry.
    EXPECT_EQ(written["genomes"], genomes);
    EXPECT_EQ(written["method"]["state"], nlohmann::json::object());
}
