// A study of several methods: each run gets the method options its method uses and no
// others, so kinetarium-batch (which refuses an unused option) accepts every run.

#include "study/StudyOptions.h"
#include "study/StudyPlan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(StudyPlanMethods, EachRunGetsOnlyItsMethodsOptions)
{
    const char* argv[] = {"kinetarium-study", "--vary", "method=ga,cmaes,openai-es", "--sigma", "0.3",
                          "--elite-count", "3", "--learning-rate", "0.05", "--item-count", "40", "--out", "x"};
    modules::StudyOptions options;
    std::string error;
    ASSERT_TRUE(modules::parseStudyOptions(static_cast<int>(std::size(argv)), argv, options, error)) << error;
    const modules::StudyPlan plan = modules::makeStudyPlan(options);
    ASSERT_EQ(plan.configs.size(), 3u);
    using Args = std::vector<std::string>;
    EXPECT_EQ(plan.configs[0].parameterArguments, (Args{"--item-count", "40", "--elite-count", "3", "--method", "ga"}));
    EXPECT_EQ(plan.configs[1].parameterArguments, (Args{"--item-count", "40", "--sigma", "0.3", "--method", "cmaes"}));
    EXPECT_EQ(plan.configs[2].parameterArguments,
              (Args{"--item-count", "40", "--sigma", "0.3", "--learning-rate", "0.05", "--method", "openai-es"}));
}

// A method's own option, fixed or varied, that none of the study's methods uses is refused:
// its "different" combinations would be the same runs. One method that uses it is enough.
TEST(StudyPlanMethods, OptionsThatNoRunsMethodUsesAreRefused)
{
    const struct {
        std::vector<const char*> arguments;
        const char* refusal; // empty: accepted
    } cases[] = {
        {{"--vary", "sigma=0.1,5"},
         "Error: --vary sigma is used by none of the study's methods (ga; it is used by cmaes, openai-es)"},
        {{"--sigma", "0.3"}, "Error: --sigma is used by none of the study's methods (ga; it is used by cmaes, openai-es)"},
        {{"--method", "cmaes", "--vary", "learning-rate=0.1,0.2"},
         "Error: --vary learning-rate is used by none of the study's methods (cmaes; it is used by openai-es)"},
        {{"--vary", "method=cmaes,openai-es", "--elite-count", "3"},
         "Error: --elite-count is used by none of the study's methods (cmaes, openai-es; it is used by ga)"},
        {{"--method", "neat", "--vary", "hidden-neurons=2,4"},
         "Error: --vary hidden-neurons is used by none of the study's methods (neat; it is used by ga, cmaes, openai-es, map-elites)"},
        {{"--novelty-k", "10"},
         "Error: --novelty-k is used by none of the study's objectives (fitness; it is used by novelty)"},
        {{"--method", "cmaes", "--objective", "novelty"},
         "Error: --objective is used by none of the study's methods (cmaes; it is used by ga, neat)"},
        {{"--vary", "objective=fitness,novelty", "--novelty-k", "10", "--vary", "method=ga,map-elites"}, ""},
        {{"--vary", "method=ga,cmaes", "--vary", "sigma=0.1,5"}, ""},
        {{"--method", "openai-es", "--vary", "sigma=0.1,5", "--learning-rate", "0.1"}, ""},
        {{"--vary", "mutation-rate=0.1,0.2", "--hidden-neurons", "3"}, ""},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv = {"kinetarium-study", "--out", "x"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(argv.back());
        modules::StudyOptions options;
        std::string error;
        const bool accepted = modules::parseStudyOptions(static_cast<int>(argv.size()), argv.data(), options, error);
        EXPECT_EQ(accepted, *c.refusal == '\0') << error;
        EXPECT_EQ(error, c.refusal);
    }
}
