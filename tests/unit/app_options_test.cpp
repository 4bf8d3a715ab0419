// kinetarium's command line: full screen without options, --window with and without a
// size, the options for unattended clips, the help, and one "Error: " line for everything
// refused.

#include "core/AppOptions.h"
#include "gui/ScreenLayout.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

using modules::AppOptions;
using modules::AppOptionsOutcome;

namespace {

struct Parsed {
    AppOptionsOutcome outcome = AppOptionsOutcome::BAD;
    AppOptions options;
    std::string text;
};

Parsed parse(std::initializer_list<const char*> arguments)
{
    std::vector<const char*> argv{"kinetarium"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    Parsed result;
    result.outcome = modules::parseAppOptions(static_cast<int>(argv.size()), argv.data(), result.options, result.text);
    return result;
}

TEST(AppOptions, FullScreenByDefaultAWindowOnRequest)
{
    Parsed parsed = parse({});
    ASSERT_EQ(parsed.outcome, AppOptionsOutcome::RUN) << parsed.text;
    EXPECT_FALSE(parsed.options.windowed);

    parsed = parse({"--window"});
    ASSERT_EQ(parsed.outcome, AppOptionsOutcome::RUN) << parsed.text;
    EXPECT_TRUE(parsed.options.windowed);
    EXPECT_EQ(parsed.options.windowSize, irr::core::dimension2du(1280, 720));

    parsed = parse({"--window", "1024x600"}); // a small laptop's screen
    ASSERT_EQ(parsed.outcome, AppOptionsOutcome::RUN) << parsed.text;
    EXPECT_TRUE(parsed.options.windowed);
    EXPECT_EQ(parsed.options.windowSize, irr::core::dimension2du(1024, 600));

    // The smallest usable window itself is accepted; the last --window counts.
    const std::string smallest = std::to_string(modules::ScreenLayout::MINIMUM_WIDTH) + "x"
        + std::to_string(modules::ScreenLayout::MINIMUM_HEIGHT);
    const std::string assigned = "--window=" + smallest;
    parsed = parse({"--window", "900x700", assigned.c_str()});
    ASSERT_EQ(parsed.outcome, AppOptionsOutcome::RUN) << parsed.text;
    EXPECT_EQ(parsed.options.windowSize,
              irr::core::dimension2du(modules::ScreenLayout::MINIMUM_WIDTH, modules::ScreenLayout::MINIMUM_HEIGHT));

    parsed = parse({"--help"});
    ASSERT_EQ(parsed.outcome, AppOptionsOutcome::HELP);
    EXPECT_NE(parsed.text.find("--window"), std::string::npos) << parsed.text;
    EXPECT_NE(parsed.text.find(smallest), std::string::npos) << parsed.text;
}

TEST(AppOptions, UnattendedClipOptions)
{
    Parsed parsed = parse({});
    ASSERT_EQ(parsed.outcome, AppOptionsOutcome::RUN) << parsed.text;
    EXPECT_FALSE(parsed.options.start);
    EXPECT_FALSE(parsed.options.followBest);
    EXPECT_TRUE(parsed.options.recordPath.empty());
    EXPECT_FALSE(parsed.options.quitAfterSeconds);

    parsed = parse({"--window", "--load", "trained.json", "--start", "--follow-best", "--record", "clip.mp4",
                    "--quit-after", "30"});
    ASSERT_EQ(parsed.outcome, AppOptionsOutcome::RUN) << parsed.text;
    EXPECT_TRUE(parsed.options.start);
    EXPECT_TRUE(parsed.options.followBest);
    EXPECT_EQ(parsed.options.recordPath, "clip.mp4");
    ASSERT_TRUE(parsed.options.quitAfterSeconds);
    EXPECT_EQ(*parsed.options.quitAfterSeconds, 30.0);

    parsed = parse({"--quit-after", "0.5"});
    ASSERT_EQ(parsed.outcome, AppOptionsOutcome::RUN) << parsed.text;
    EXPECT_EQ(*parsed.options.quitAfterSeconds, 0.5);

    parsed = parse({"--help"});
    for (const char* option : {"--start", "--follow-best", "--record", "--quit-after"})
        EXPECT_NE(parsed.text.find(option), std::string::npos) << option;
}

TEST(AppOptions, RefusedWithOneErrorLine)
{
    const std::string narrow = std::to_string(modules::ScreenLayout::MINIMUM_WIDTH - 1) + "x"
        + std::to_string(modules::ScreenLayout::MINIMUM_HEIGHT);
    const std::string low = std::to_string(modules::ScreenLayout::MINIMUM_WIDTH) + "x"
        + std::to_string(modules::ScreenLayout::MINIMUM_HEIGHT - 1);
    const struct {
        std::vector<const char*> arguments;
        const char* named;
    } cases[] = {
        {{"--window", "1024"}, "WIDTHxHEIGHT"},
        {{"--window", "1024x"}, "WIDTHxHEIGHT"},
        {{"--window", "x600"}, "WIDTHxHEIGHT"},
        {{"--window", "+1024x600"}, "WIDTHxHEIGHT"},
        {{"--window", "1024x600x2"}, "WIDTHxHEIGHT"},
        {{"--window", "99999999999x600"}, "WIDTHxHEIGHT"},
        {{"--window", narrow.c_str()}, "smallest usable window"},
        {{"--window", low.c_str()}, "smallest usable window"},
        {{"--window", "8193x700"}, "largest window"},
        {{"--window", "1024x700", "extra"}, "extra"},
        {{"--fullscreen"}, "--fullscreen"},
        {{"--record"}, "--record"},
        {{"--record", ""}, "--record needs a file name"},
        {{"--quit-after"}, "--quit-after"},
        {{"--quit-after", "0"}, "--quit-after needs a number of seconds"},
        {{"--quit-after", "-3"}, "--quit-after needs a number of seconds"},
        {{"--quit-after", "ten"}, "--quit-after needs a number of seconds"},
        {{"--quit-after", "10s"}, "--quit-after needs a number of seconds"},
        {{"--quit-after", "inf"}, "--quit-after needs a number of seconds"},
        {{"--quit-after", "nan"}, "--quit-after needs a number of seconds"},
        {{"--quit-after", "1e300"}, "--quit-after needs a number of seconds"},
        {{"--start=maybe"}, "--start"},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv{"kinetarium"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        AppOptions options;
        std::string text;
        EXPECT_EQ(modules::parseAppOptions(static_cast<int>(argv.size()), argv.data(), options, text),
                  AppOptionsOutcome::BAD)
            << c.named;
        EXPECT_EQ(text.rfind("Error: ", 0), 0u) << text;
        EXPECT_EQ(text.find('\n'), std::string::npos) << text;
        EXPECT_NE(text.find(c.named), std::string::npos) << text;
    }
}

} // namespace
