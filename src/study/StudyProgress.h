#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

namespace modules {

// The study's progress line on standard error: runs done, running and left, and the time
// left, estimated from this session's pace. Drawn only when `show` (a terminal).
class StudyProgress {
public:
    StudyProgress(std::size_t total, std::size_t alreadyDone, bool show, std::FILE* err);

    void started();
    void finished();
    // Prints a line of its own (a failed run) above the progress line.
    void message(const std::string& line);
    // Redraws now and then, for the clock.
    void tick();
    void clear();

private:
    void draw(bool force);

    std::size_t total;
    std::size_t done;
    std::size_t doneHere = 0;
    std::size_t running = 0;
    bool show;
    bool shown = false;
    std::FILE* err;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point lastDraw;
};

} // namespace modules
