// kinetarium-batch's command line: the ten parameters by the panel's rules, the run
// options, and one clear "Error: " line for everything it refuses.

#include "batch/BatchOptions.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

using modules::BatchOptions;
using modules::EvolutionParams;

namespace {

struct Parsed {
    bool ok = false;
    BatchOptions options;
    std::string error;
};

Parsed parse(std::initializer_list<const char*> arguments)
{
    std::vector<const char*> argv{"kinetarium-batch"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    Parsed result;
    result.ok = modules::parseBatchOptions(static_cast<int>(argv.size()), argv.data(), result.options, result.error);
    return result;
}

// Refused with one line that starts "Error: " and names `expected`.
void expectRefused(std::initializer_list<const char*> arguments, const std::string& expected)
{
    const Parsed parsed = parse(arguments);
    EXPECT_FALSE(parsed.ok) << expected;
    EXPECT_EQ(parsed.error.rfind("Error: ", 0), 0u) << parsed.error;
    EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
    EXPECT_NE(parsed.error.find(expected), std::string::npos) << parsed.error;
}

const char* const FORTY_DIGITS = "1111111111222222222233333333334444444444";

} // namespace

TEST(BatchOptions, NoArgumentsGiveThePanelDefaults)
{
    const Parsed parsed = parse({});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const EvolutionParams& p = parsed.options.params;
    EXPECT_EQ(p.generationTime, 20.0f);
    EXPECT_EQ(p.itemCount, 60);
    EXPECT_EQ(p.populationSize, 20);
    EXPECT_EQ(p.eliteCount, 2);
    EXPECT_EQ(p.selectorType, 0);
    EXPECT_EQ(p.crossoverRate, 0.8f);
    EXPECT_EQ(p.mutationRate, 0.05f);
    EXPECT_EQ(p.maxPerturbation, 10.0f);
    EXPECT_EQ(p.hiddenNeurons, 4);
    EXPECT_EQ(p.weightRange, 1.0f);
    EXPECT_EQ(parsed.options.generations, 10);
    EXPECT_FALSE(parsed.options.seedGiven);
    EXPECT_TRUE(parsed.options.csvPath.empty());
    EXPECT_FALSE(parsed.options.help);
}

TEST(BatchOptions, EveryOptionIsReadInBothForms)
{
    const Parsed parsed = parse({"--generation-time", "5", "--item-count=300", "--population-size", "100",
                                 "--elite-count=4", "--selector", "tournament", "--crossover-rate", "0.7",
                                 "--mutation-rate=0.1", "--max-perturbation", "2.5", "--hidden-neurons", "6",
                                 "--weight-range=3", "--generations", "40", "--seed=4294967295", "--csv",
                                 "out.csv"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const EvolutionParams& p = parsed.options.params;
    EXPECT_EQ(p.generationTime, 5.0f);
    EXPECT_EQ(p.itemCount, 300);
    EXPECT_EQ(p.populationSize, 100);
    EXPECT_EQ(p.eliteCount, 4);
    EXPECT_EQ(p.selectorType, 1);
    EXPECT_EQ(p.crossoverRate, 0.7f);
    EXPECT_EQ(p.mutationRate, 0.1f);
    EXPECT_EQ(p.maxPerturbation, 2.5f);
    EXPECT_EQ(p.hiddenNeurons, 6);
    EXPECT_EQ(p.weightRange, 3.0f);
    EXPECT_EQ(parsed.options.generations, 40);
    EXPECT_TRUE(parsed.options.seedGiven);
    EXPECT_EQ(parsed.options.seed, 4294967295u);
    EXPECT_EQ(parsed.options.csvPath, "out.csv");

    EXPECT_EQ(parse({"--selector", "tournament", "--selector=roulette"}).options.params.selectorType, 0);
    EXPECT_EQ(parse({"--generations", "0"}).options.generations, 0); // until interrupted
}

TEST(BatchOptions, ParameterValuesFollowThePanelsRules)
{
    EXPECT_EQ(parse({"--population-size", "20.7"}).options.params.populationSize, 20);
    EXPECT_EQ(parse({"--mutation-rate", ".5"}).options.params.mutationRate, 0.5f);
    EXPECT_EQ(parse({"--generation-time", "5."}).options.params.generationTime, 5.0f);
    EXPECT_EQ(parse({"--item-count", "1/2"}).options.params.itemCount, 1);
    EXPECT_EQ(parse({"--crossover-rate", "1.2.3"}).options.params.crossoverRate, 1.2f);
    EXPECT_EQ(parse({"--weight-range", "."}).options.params.weightRange, 0.0f);
    EXPECT_EQ(parse({"--elite-count", "/"}).options.params.eliteCount, 0);
    EXPECT_EQ(parse({"--hidden-neurons", "2147483647"}).options.params.hiddenNeurons, 2147483647);
}

TEST(BatchOptions, RefusedValuesGetOneClearLine)
{
    expectRefused({"--population-size", "abc"}, "--population-size needs a number");
    expectRefused({"--mutation-rate", "1e3"}, "--mutation-rate needs a number");
    expectRefused({"--crossover-rate", " 0.5"}, "--crossover-rate needs a number");
    expectRefused({"--generation-time", ""}, "--generation-time needs a number");
    expectRefused({"--population-size", "-5"}, "--population-size must not be negative");
    expectRefused({"--weight-range=-0.5"}, "--weight-range must not be negative");
    expectRefused({"--item-count", FORTY_DIGITS}, "outside the 32-bit integer range");
    expectRefused({"--hidden-neurons", "2147483648"}, "outside the 32-bit integer range");
    // Stored as infinity, it would be refused by every later check of the parameters.
    for (const char* option : {"--generation-time", "--crossover-rate", "--mutation-rate", "--max-perturbation",
                               "--weight-range"})
        expectRefused({option, FORTY_DIGITS}, std::string(option) + " value '" + FORTY_DIGITS + "' is too large for a float");
    expectRefused({"--selector", "best"}, "--selector must be 'roulette' or 'tournament'");
    expectRefused({"--selector", "0"}, "--selector must be 'roulette' or 'tournament'");
    expectRefused({"--generations", "-1"}, "--generations must not be negative");
    expectRefused({"--generations", "ten"}, "--generations needs a whole number");
    expectRefused({"--generations", "2.5"}, "--generations needs a whole number");
    expectRefused({"--seed", "4294967296"}, "--seed needs a whole number from 0 to 4294967295");
    expectRefused({"--seed", "-3"}, "--seed needs a whole number");
    expectRefused({"--csv="}, "--csv needs a file name");
}

TEST(BatchOptions, UnknownOptionsAndMissingValuesAreRefused)
{
    expectRefused({"--bogus"}, "unknown option '--bogus'");
    expectRefused({"--population", "20"}, "unknown option '--population'");
    expectRefused({"-x"}, "unexpected argument '-x'");
    expectRefused({"twenty"}, "unexpected argument 'twenty'");
    expectRefused({"--seed"}, "--seed needs a value");
    expectRefused({"--seed", "--generations", "2"}, "--seed needs a value");
    expectRefused({"--generations", "2", "--csv"}, "--csv needs a value");
    expectRefused({"--"}, "unexpected argument '--'");
}

TEST(BatchOptions, ControlCharactersInWhatIsRefusedAreShownEscaped)
{
    // expectRefused also checks that the message is one line.
    expectRefused({"--seed", "1\n2"}, "got '1\\n2'");
    expectRefused({"--selector=tour\r\nnament"}, "got 'tour\\r\\nnament'");
    expectRefused({"--population-size", "2\t0"}, "got '2\\t0'");
    expectRefused({"--checkpoint-every", "\x1b[2J"}, "got '\\x1b[2J'");
    expectRefused({"--bo\ngus"}, "unknown option '--bo\\ngus'");
    expectRefused({"line\nbreak"}, "unexpected argument 'line\\nbreak'");
}

TEST(BatchOptions, AValueMayStartWithDashesUnlessItIsAnOption)
{
    const Parsed parsed = parse({"--csv", "--run.csv", "--seed", "3"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.csvPath, "--run.csv");
    EXPECT_EQ(parsed.options.seed, 3u);
    expectRefused({"--seed", "--csv=x"}, "--seed needs a value");
}

TEST(BatchOptions, HelpWinsOverWhatFollows)
{
    EXPECT_TRUE(parse({"--help"}).options.help);
    EXPECT_TRUE(parse({"-h"}).options.help);
    const Parsed parsed = parse({"--seed", "3", "--help", "--bogus"});
    EXPECT_TRUE(parsed.ok);
    EXPECT_TRUE(parsed.options.help);
}

TEST(BatchOptions, UsageExplainsEveryOptionWithItsDefault)
{
    const std::string usage = modules::batchUsage("kinetarium-batch");
    for (const char* option : {"--generation-time", "--item-count", "--population-size", "--elite-count",
                               "--selector roulette|tournament", "--crossover-rate", "--mutation-rate",
                               "--max-perturbation", "--hidden-neurons", "--weight-range", "--generations",
                               "--seed", "--csv", "--help"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    for (const char* line : {"a generation in simulated seconds (30 steps each) [20.0]", "items in the arena [60]",
                             "vehicles, one network each [20]", "carried over unchanged [2]", "[roulette]",
                             "per pair of parents [0.8]", "per gene [0.05]", "makes to a gene [10.0]",
                             "in the hidden layer [4]", "initial weights [1.0]", "until interrupted [10]"})
        EXPECT_NE(usage.find(line), std::string::npos) << line;
}
