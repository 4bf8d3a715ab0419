#include "core/AppOptions.h"

#include "gui/ScreenLayout.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>

namespace modules {

namespace {

std::string sizeText(irr::u32 width, irr::u32 height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

// Digits only, at most five of them: no sign, no spaces, nothing that overflows.
bool readSide(const std::string& text, irr::u32& side)
{
    if (text.empty() || text.size() > 5)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    side = static_cast<irr::u32>(std::stoul(text));
    return true;
}

// CLI11 may put a line break into its messages; the user gets one line.
std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace

std::string parseWindowSize(const std::string& text, irr::core::dimension2du& size)
{
    const size_t x = text.find('x');
    irr::u32 width = 0;
    irr::u32 height = 0;
    if (x == std::string::npos || !readSide(text.substr(0, x), width) || !readSide(text.substr(x + 1), height))
        return "needs a size WIDTHxHEIGHT such as " + sizeText(AppOptions::DEFAULT_WINDOW_WIDTH,
                                                               AppOptions::DEFAULT_WINDOW_HEIGHT)
            + ", got '" + text + "'";
    if (width < ScreenLayout::MINIMUM_WIDTH || height < ScreenLayout::MINIMUM_HEIGHT)
        return "size " + text + " is below the smallest usable window, "
            + sizeText(ScreenLayout::MINIMUM_WIDTH, ScreenLayout::MINIMUM_HEIGHT);
    if (width > AppOptions::MAXIMUM_WINDOW_SIDE || height > AppOptions::MAXIMUM_WINDOW_SIDE)
        return "size " + text + " is above the largest window, "
            + sizeText(AppOptions::MAXIMUM_WINDOW_SIDE, AppOptions::MAXIMUM_WINDOW_SIDE);
    size.set(width, height);
    return "";
}

std::string parseQuitAfter(const std::string& text, std::optional<double>& seconds)
{
    size_t used = 0;
    double value = 0.0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text.empty() || used != text.size() || !std::isfinite(value) || value <= 0.0
        || value > AppOptions::MAXIMUM_QUIT_AFTER)
        return "needs a number of seconds above 0 and at most "
            + std::to_string(static_cast<long>(AppOptions::MAXIMUM_QUIT_AFTER)) + ", got '" + text + "'";
    seconds = value;
    return "";
}

AppOptionsOutcome parseAppOptions(int argc, const char* const* argv, AppOptions& options, std::string& text)
{
    CLI::App app{"Kinetarium: vehicles steered by small neural networks learn to collect items in a\n"
                 "walled arena. Without options it runs full screen at the desktop resolution.\n"
                 "Run it where the media/ folder is (the build directory).\n",
                 "kinetarium"};
    app.get_formatter()->column_width(28);

    // Each option of the program is declared here; its value is checked after parsing.
    std::string windowSize;
    CLI::Option* window = app.add_option("--window", windowSize,
                                         "an ordinary resizable window instead of full screen:\n"
                                         + sizeText(AppOptions::DEFAULT_WINDOW_WIDTH, AppOptions::DEFAULT_WINDOW_HEIGHT)
                                         + " unless a size is given, at least "
                                         + sizeText(ScreenLayout::MINIMUM_WIDTH, ScreenLayout::MINIMUM_HEIGHT))
                                ->expected(0, 1)
                                ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
                                ->type_name("[WxH]");
    CLI::Option* load = app.add_option("--load", options.loadPath,
                                       "a saved population file: its parameters fill the panel and\n"
                                       "Start continues its run")
                            ->type_name("FILE");
    app.add_flag("--start", options.start, "start a run at once with the panel's parameters");
    app.add_flag("--follow-best", options.followBest, "the camera follows the best vehicle");
    CLI::Option* record = app.add_option("--record", options.recordPath,
                                         "record a clip (H.264 in MP4) into FILE as soon as a run\n"
                                         "starts (FILE.part until it is whole); R or Record does\n"
                                         "it by hand")
                              ->type_name("FILE");
    std::string quitAfter;
    CLI::Option* quit = app.add_option("--quit-after", quitAfter,
                                       "end the program after that much wall time, finishing a\n"
                                       "recording")
                            ->type_name("SECONDS");
    app.footer("Escape, the panel's Quit or closing the window ends the program.\n"
               "Exit status: 0 ended by the user, 1 start-up failed (or, with --quit-after,\n"
               "what the options ask could not be done), 2 bad options.");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        text = app.help();
        return AppOptionsOutcome::HELP;
    } catch (const CLI::ParseError& e) {
        text = "Error: " + oneLine(e.what()) + "; --help lists the options";
        return AppOptionsOutcome::BAD;
    }

    if (window->count() > 0) {
        options.windowed = true;
        if (!windowSize.empty()) {
            const std::string why = parseWindowSize(windowSize, options.windowSize);
            if (!why.empty()) {
                text = "Error: --window " + why;
                return AppOptionsOutcome::BAD;
            }
        }
    }
    if (load->count() > 0 && options.loadPath.empty()) {
        text = "Error: --load needs a file name";
        return AppOptionsOutcome::BAD;
    }
    if (record->count() > 0 && options.recordPath.empty()) {
        text = "Error: --record needs a file name";
        return AppOptionsOutcome::BAD;
    }
    if (quit->count() > 0) {
        const std::string why = parseQuitAfter(quitAfter, options.quitAfterSeconds);
        if (!why.empty()) {
            text = "Error: --quit-after " + why;
            return AppOptionsOutcome::BAD;
        }
    }
    return AppOptionsOutcome::RUN;
}

int readAppOptions(int argc, const char* const* argv, AppOptions& options)
{
    std::string text;
    switch (parseAppOptions(argc, argv, options, text)) {
    case AppOptionsOutcome::HELP:
        std::fputs(text.c_str(), stdout);
        return 0;
    case AppOptionsOutcome::BAD:
        std::fprintf(stderr, "%s\n", text.c_str());
        return 2;
    case AppOptionsOutcome::RUN:
        break;
    }
    return -1;
}

} // namespace modules
