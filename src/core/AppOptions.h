#pragma once

#include <irrlicht.h>

#include <optional>
#include <string>

namespace modules {

// What the command line of the windowed program asks for. Without options: full screen at
// the desktop resolution.
struct AppOptions {
    static constexpr irr::u32 DEFAULT_WINDOW_WIDTH = 1280;
    static constexpr irr::u32 DEFAULT_WINDOW_HEIGHT = 720;
    // Larger than any monitor in use; keeps an absurd size from reaching the driver.
    static constexpr irr::u32 MAXIMUM_WINDOW_SIDE = 8192;
    // A year: keeps the end time far inside the clock's range.
    static constexpr double MAXIMUM_QUIT_AFTER = 31536000.0;

    // An ordinary resizable window of windowSize instead of full screen.
    bool windowed = false;
    irr::core::dimension2du windowSize{DEFAULT_WINDOW_WIDTH, DEFAULT_WINDOW_HEIGHT};
    // A population file to load into the panel at start-up, as "Load population" does.
    std::string loadPath;
    // Start a run at once with the panel's parameters (--start).
    bool start = false;
    // The camera follows the best vehicle from the start (--follow-best).
    bool followBest = false;
    // Record a clip into this file as soon as a run exists (--record FILE).
    std::string recordPath;
    // End the program after this many seconds of wall time (--quit-after).
    std::optional<double> quitAfterSeconds;
};

// How reading the command line ended.
enum class AppOptionsOutcome {
    RUN,  // options read: start the program
    HELP, // `text` holds the help: print it, exit 0
    BAD,  // `text` holds one line "Error: ...": exit 2
};

// Reads the command line (argv[0] is the program). Every option is declared in one place,
// in AppOptions.cpp.
AppOptionsOutcome parseAppOptions(int argc, const char* const* argv, AppOptions& options, std::string& text);

// Parses, prints the help (standard output) or the error (standard error) and gives the
// exit status when the program should end at once; -1 when it should run.
int readAppOptions(int argc, const char* const* argv, AppOptions& options);

// "WIDTHxHEIGHT" with each side from the smallest usable window to MAXIMUM_WINDOW_SIDE.
// Empty when it is good; otherwise why not (no "Error: " prefix).
std::string parseWindowSize(const std::string& text, irr::core::dimension2du& size);

// A number of seconds above 0 and at most MAXIMUM_QUIT_AFTER. Empty when it is good;
// otherwise why not (no "Error: " prefix).
std::string parseQuitAfter(const std::string& text, std::optional<double>& seconds);

} // namespace modules
