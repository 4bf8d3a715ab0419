// A tuned study: which parameters each combination searches, the candidates it tries, the
// seeds it tries them on, and the candidate it keeps.

#include "evolution/ParameterTable.h"
#include "study/StudyOptions.h"
#include "study/StudyPlan.h"
#include "study/Tuning.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

modules::StudyOptions parse(std::vector<const char*> arguments, std::string& error)
{
    arguments.insert(arguments.begin(), {"kinetarium-study", "--out", "x"});
    modules::StudyOptions options;
    if (!modules::parseStudyOptions(static_cast<int>(arguments.size()), arguments.data(), options, error))
        options.outDir.clear();
    return options;
}

} // namespace

// The tuning seeds never meet the compared ones; the tuning options need --tune.
TEST(StudyTuning, OptionsKeepTheTuningSeedsApart)
{
    const struct {
        std::vector<const char*> arguments;
        const char* refusal; // empty: accepted with these tuning seeds
        unsigned first, last;
    } cases[] = {
        {{"--tune", "--seeds", "1-20"}, "", 21, 25},
        {{"--tune", "--seeds", "3", "--tune-seeds", "100-102"}, "", 100, 102},
        {{"--tune", "--seeds", "5-9", "--tune-seeds", "1-4"}, "", 1, 4},
        {{"--tune", "--seeds", "5-9", "--tune-seeds", "9-12"},
         "Error: --tune-seeds must not share a seed with --seeds (5-9)", 0, 0},
        {{"--tune", "--seeds", "5-9", "--tune-seeds", "1-20"},
         "Error: --tune-seeds must not share a seed with --seeds (5-9)", 0, 0},
        {{"--tune", "--seeds", "4294967292-4294967295"},
         "Error: no room for the tuning seeds after --seeds; give --tune-seeds A-B", 0, 0},
        {{"--tune-seeds", "30-40"}, "Error: --tune-seeds needs --tune", 0, 0},
        {{"--tune", "--tune-candidates", "1"},
         "Error: --tune-candidates needs a whole number from 2 to 9999, got '1'", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        std::string error;
        const modules::StudyOptions options = parse(c.arguments, error);
        EXPECT_EQ(error, c.refusal);
        if (*c.refusal == '\0') {
            EXPECT_EQ(options.tuneFirstSeed, c.first);
            EXPECT_EQ(options.tuneLastSeed, c.last);
        }
    }
}

// Each method searches the tunable parameters it uses, less those the study gives.
TEST(StudyTuning, EachCombinationTunesWhatItsMethodUsesAndTheStudyLeavesOpen)
{
    std::string error;
    const modules::StudyOptions options =
        parse({"--tune", "--vary", "method=ga,cmaes,openai-es,neat", "--crossover-rate", "0.5", "--sigma", "0.4"}, error);
    ASSERT_EQ(error, "");
    const modules::StudyPlan plan = modules::makeStudyPlan(options);
    const Names expected[] = {
        {"elite-count", "selector", "mutation-rate", "max-perturbation", "weight-range"},
        {"weight-range"},
        {"weight-range", "learning-rate"},
        {"weight-range"},
    };
    for (std::size_t c = 0; c < 4; ++c)
        EXPECT_EQ(modules::tunedParameters(plan.configs[c], options), expected[c]) << plan.configs[c].label;
}

// The defaults come first; the others cover every stratum of every range once, on the
// range's scale, as values the programs accept.
TEST(StudyTuning, CandidatesAreTheDefaultsThenALatinHypercube)
{
    const unsigned count = 11;
    const Names parameters = {"elite-count", "selector", "mutation-rate", "weight-range"};
    const auto candidates = modules::tuningCandidates("ga", parameters, count);
    ASSERT_EQ(candidates.size(), count);
    EXPECT_EQ(modules::settingsText(candidates[0]),
              "elite-count=2 selector=roulette mutation-rate=0.05 weight-range=1");
    EXPECT_EQ(modules::tuningCandidates("ga", parameters, count), candidates); // the same everywhere
    for (std::size_t p = 0; p < parameters.size(); ++p) {
        const modules::ParameterInfo& info = *modules::findParameter(parameters[p]);
        std::multiset<std::size_t> strata;
        for (std::size_t k = 1; k < count; ++k) {
            const std::string& text = candidates[k][p].second;
            if (!info.choices.empty()) {
                strata.insert(text == info.choices[0] ? 0 : 1);
                continue;
            }
            EXPECT_EQ(text.find_first_not_of("0123456789."), std::string::npos) << "options take no exponent";
            const double value = std::stod(text);
            const bool log = info.tune.scale == modules::TuneScale::LOG;
            const double u = log ? std::log(value / info.tune.low) / std::log(info.tune.high / info.tune.low)
                                 : (value - info.tune.low) / (info.tune.high - info.tune.low);
            ASSERT_GE(u, -0.01) << text;
            ASSERT_LE(u, 1.01) << text;
            if (!info.intField) // rounding to 3 digits stays within its stratum's tenth
                strata.insert(static_cast<std::size_t>(std::min(0.999, std::max(0.0, u)) * (count - 1)));
        }
        if (info.choices.empty() && !info.intField) {
            for (std::size_t s = 0; s < count - 1; ++s)
                EXPECT_EQ(strata.count(s), 1u) << parameters[p] << " stratum " << s;
        } else if (!info.choices.empty()) {
            EXPECT_EQ(strata.count(0), 5u) << "each choice as often"; // 10 strata over 2 choices
        }
    }
    EXPECT_EQ(modules::tuningCandidates("neat", {}, count).size(), 1u) << "nothing to tune: the defaults alone";
}

// The best mean over complete candidates is kept; a tie keeps the earlier candidate, and a
// candidate missing a run is never kept however good its other runs.
TEST(StudyTuning, ChoosesTheBestCompleteCandidate)
{
    std::string error;
    const modules::StudyOptions options =
        parse({"--tune", "--vary", "method=cmaes,openai-es", "--tune-candidates", "3", "--tune-seeds", "90-91"}, error);
    ASSERT_EQ(error, "");
    modules::StudyPlan plan = modules::makeStudyPlan(options);
    const modules::Tuning tuning = modules::makeTuning(plan, options);
    ASSERT_EQ(tuning.plan.configs.size(), 6u);
    ASSERT_EQ(tuning.plan.runs.size(), 12u);
    std::vector<modules::ConfigResult> results(6);
    const std::vector<std::vector<double>> finals = {{5, 7}, {6, 6}, {4, 5}, {20, 2}, {20, 2}, {30}};
    for (std::size_t t = 0; t < 6; ++t)
        for (double f : finals[t])
            results[t].curves.push_back({0.0, f});
    results[5].failures.push_back({91, "Error: crashed"});
    const std::vector<std::size_t> chosen = modules::chooseCandidates(tuning, results, 2);
    EXPECT_EQ(chosen, (std::vector<std::size_t>{0, 3}));
    modules::applyChoices(plan, tuning, chosen);
    EXPECT_TRUE(plan.tuned);
    EXPECT_EQ(plan.configs[1].tunedSettings, modules::settingsText(tuning.settingsOf[3]));
    const auto& args = plan.configs[0].parameterArguments;
    EXPECT_EQ(Names(args.end() - 4, args.end()),
              (Names{"--weight-range", "1", "--sigma", "1.16"})); // the defaults, kept on a tie
}
