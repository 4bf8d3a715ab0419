// The batch runner drives the engine exactly as the window's fast mode does in its undrawn
// steps, so the same seed gives the same generations with or without it.

#include "TestEngine.h"

#include "batch/BatchRunner.h"
#include "evolution/EvolutionRun.h"
#include "gui/ScreenLog.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using modules::BatchRunner;
using modules::engine;

namespace {

constexpr unsigned SEED = 777u;
constexpr int GENERATIONS = 4;

modules::EvolutionParams shortGenerations()
{
    modules::EvolutionParams params;
    params.generationTime = 10.0f; // 300 steps: the float sum of the step reaches 10 at the 300th
    params.populationSize = 9;
    params.itemCount = 80;
    return params;
}

std::vector<std::string> linesOf(std::FILE* file)
{
    std::rewind(file);
    std::vector<std::string> lines;
    std::string line;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    return lines;
}

std::string narrow(const wchar_t* text)
{
    std::string result;
    for (; *text; ++text)
        result += static_cast<char>(*text);
    return result;
}

class BatchRunnerTest : public testing_support::NullEngineTest {};

} // namespace

TEST_F(BatchRunnerTest, ReportsTheSameGenerationsAsTheEnginesOwnLoop)
{
    // The plain engine loop: what the window's fast mode runs between drawn frames.
    startEngine(SEED);
    modules::startEvolution(shortGenerations(), *engine.world);
    std::vector<std::string> expected;
    while (engine.world->run->generation < GENERATIONS) {
        const int before = engine.world->run->generation;
        step();
        if (engine.world->run->generation != before)
            expected.push_back(narrow(engine.screenLog->text(0).c_str()));
    }
    engine.shutdown();

    modules::BatchOptions options;
    options.params = shortGenerations();
    options.generations = GENERATIONS;
    options.seed = SEED;
    options.seedGiven = true;
    options.csvPath = ::testing::TempDir() + "batch_runner_test.csv";
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    EXPECT_EQ(BatchRunner(options).run(out, err, false), BatchRunner::EXIT_DONE);
    EXPECT_EQ(engine.device, nullptr) << "the runner shuts the engine down";
    EXPECT_FALSE(engine.beforeGenerationCycle) << "the runner removes its hook";

    std::vector<std::string> reports;
    for (const std::string& line : linesOf(out))
        if (line.rfind("Generation ", 0) == 0)
            reports.push_back(line);
    EXPECT_EQ(reports, expected);
    EXPECT_TRUE(linesOf(err).empty());

    // Each CSV row's best is the best that the report of the same generation names.
    std::ifstream csv(options.csvPath);
    std::string header;
    std::getline(csv, header);
    EXPECT_EQ(header, "generation,best_fitness,mean_fitness,median_fitness,steps,wall_seconds,species,mean_genome_size");
    int rows = 0;
    for (std::string row; std::getline(csv, row); ++rows) {
        ASSERT_LT(rows, GENERATIONS);
        std::istringstream fields(row);
        std::string generation, best, mean, median, steps;
        std::getline(fields, generation, ',');
        std::getline(fields, best, ',');
        std::getline(fields, mean, ',');
        std::getline(fields, median, ',');
        std::getline(fields, steps, ',');
        EXPECT_EQ(generation, std::to_string(rows + 1));
        EXPECT_EQ(steps, "300");
        const std::string& report = expected[static_cast<size_t>(rows)];
        const std::string reportedBest = report.substr(report.rfind(' ') + 1);
        EXPECT_DOUBLE_EQ(std::stod(best), std::stod(reportedBest)) << row << " / " << report;
        EXPECT_LE(std::stod(median), std::stod(best));
        EXPECT_LE(std::stod(mean), std::stod(best));
    }
    EXPECT_EQ(rows, GENERATIONS);
    std::fclose(out);
    std::fclose(err);
    std::remove(options.csvPath.c_str());
}

TEST(BatchRunnerTime, AnimationTimeAdvancesAndIsNeverZero)
{
    EXPECT_EQ(BatchRunner::animationTime(0), 1u);
    EXPECT_EQ(BatchRunner::animationTime(1), 34u);
    EXPECT_EQ(BatchRunner::animationTime(2), 67u);
    // The step at which 1 + 33 n wraps to exactly 0 in 32 bits: n = -1/33 mod 2^32.
    unsigned inverse = 1;
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - 33u * inverse; // Newton's iteration for the inverse of 33 mod 2^32
    const unsigned long long wrapStep = static_cast<unsigned>(0u - inverse);
    ASSERT_EQ(static_cast<unsigned>(1ull + 33ull * wrapStep), 0u);
    EXPECT_EQ(BatchRunner::animationTime(wrapStep), 1u);
}
