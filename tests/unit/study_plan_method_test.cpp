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
