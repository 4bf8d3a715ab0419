#pragma once

#include "batch/BatchOptions.h"
#include "batch/GenerationSummary.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace modules {

// Runs an evolution on the global engine's null device, with the same step as the
// window's fast mode makes when it does not draw: Engine::simulationStep, then the scene's
// animation pass. Prints each generation's screen log report and, if asked, writes one
// CSV row per finished generation.
class BatchRunner {
public:
    enum ExitStatus { EXIT_DONE = 0, EXIT_FAILED = 1, EXIT_BAD_OPTIONS = 2, EXIT_INTERRUPTED = 130 };

    explicit BatchRunner(const BatchOptions& options);

    // Report lines go to `out`; the runner's own error lines to `err`, and the progress bar
    // too when `showProgress`. SIGINT and SIGTERM stop the run after the current step while
    // it lasts. Returns one of ExitStatus.
    int run(std::FILE* out, std::FILE* err, bool showProgress);

    // Makes a running run stop after its current step. Safe in a signal handler.
    static void requestStop();

    // The animation pass's time for step n (1, 2, ...): advances by 33 ms a step, as the
    // timer does in fast mode, and is never 0, which the collision response takes for a reset.
    static unsigned animationTime(unsigned long long step);

private:
    // Refuses a run whose files clash or whose --save cannot be written, before it starts:
    // one error line on `err` and the exit status, or EXIT_DONE when all is well.
    int checkOutputFiles(std::FILE* err) const;
    // One line of the report on `out`, flushed. After the first write the system refuses (a
    // closed pipe, a full disk), nothing more is written and `outputFailure` says why; nor
    // after a write that the stop signal broke off.
    bool report(std::FILE* out, const std::string& line);
    // Writes --save's file from the run's last generation boundary; true when there is
    // nothing to write. A failed write gets its error line on `err`.
    bool savePopulation(std::FILE* out, std::FILE* err, bool announce);
    void drawProgress(std::FILE* err, long long finished, long long stepsDone, bool force);
    void clearProgress(std::FILE* err);

    BatchOptions options;
    std::string outputFailure;
    bool outputStopped = false;
    bool generationEnding = false;
    std::string abortMessage; // why the engine ended the run, when it did
    bool progressShown = false;
    std::chrono::steady_clock::time_point runStart;
    std::chrono::steady_clock::time_point lastDraw;
};

// The whole program: options, --help, the run. Returns the exit status.
int runBatchProgram(int argc, const char* const* argv);

} // namespace modules
