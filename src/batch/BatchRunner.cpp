#include "batch/BatchRunner.h"

#include "core/Engine.h"
#include "evolution/Evolver.h"
#include "evolution/RunLimits.h"
#include "gui/ScreenLog.h"
#include "media/MediaCheck.h"
#include "vehicle/Vehicle.h"
#include "world/World.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <string>

#include <unistd.h>

using namespace irr;

namespace modules {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int)
{
    BatchRunner::requestStop();
}

// The screen log's text is ASCII (words, digits, "inf", "nan"); anything else shows as '?'.
std::string narrow(const wchar_t* text)
{
    std::string result;
    for (; text && *text; ++text)
        result += (*text > 0 && *text < 0x80) ? static_cast<char>(*text) : '?';
    return result;
}

// Installs the stop handlers for the lifetime of a run and puts the old ones back. A second
// Ctrl-C finds the default handler again and ends the program at once.
class StopSignals {
public:
    StopSignals()
    {
        stopRequested = 0;
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(SIGINT, &action, &oldInt);
        sigaction(SIGTERM, &action, &oldTerm);
    }
    ~StopSignals()
    {
        sigaction(SIGINT, &oldInt, nullptr);
        sigaction(SIGTERM, &oldTerm, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    struct sigaction oldInt;
    struct sigaction oldTerm;
};

// Everything the run has brought up, released on every way out.
class RunResources {
public:
    ~RunResources()
    {
        engine.beforeGenerationCycle = nullptr;
        engine.shutdown();
        if (csv)
            std::fclose(csv);
    }
    std::FILE* csv = nullptr;
};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

BatchRunner::BatchRunner(const BatchOptions& options)
    : options(options)
{
}

void BatchRunner::requestStop()
{
    stopRequested = 1;
}

unsigned BatchRunner::animationTime(unsigned long long step)
{
    const unsigned time = static_cast<unsigned>(1 + 33 * step);
    return time == 0 ? 1 : time;
}

void BatchRunner::drawProgress(std::FILE* err, long long finished, long long stepsDone, bool force)
{
    const auto now = std::chrono::steady_clock::now();
    if (!force && progressShown && now - lastDraw < std::chrono::milliseconds(100))
        return;
    lastDraw = now;

    const World* world = engine.world;
    double inGeneration = 0.0;
    if (world && world->generationTime > 0.0f)
        inGeneration = static_cast<double>(world->generationClock) / static_cast<double>(world->generationTime);
    if (!(inGeneration >= 0.0))
        inGeneration = 0.0;
    if (inGeneration > 1.0)
        inGeneration = 1.0;

    const double elapsed = secondsSince(runStart);
    const double rate = elapsed > 0.0 ? static_cast<double>(stepsDone) / elapsed : 0.0;
    char line[160];
    if (options.generations > 0) {
        const double done = (static_cast<double>(finished) + inGeneration) / static_cast<double>(options.generations);
        constexpr int WIDTH = 30;
        char bar[WIDTH + 1];
        const int filled = static_cast<int>(done * WIDTH);
        for (int i = 0; i < WIDTH; ++i)
            bar[i] = i < filled ? '#' : '-';
        bar[WIDTH] = '\0';
        std::snprintf(line, sizeof line, "[%s] %3d%%  generation %lld of %lld  %.0f steps/s", bar,
                      static_cast<int>(done * 100.0), finished + 1, options.generations, rate);
    } else {
        std::snprintf(line, sizeof line, "generation %lld  %3d%%  %.0f steps/s  (Ctrl-C stops)", finished + 1,
                      static_cast<int>(inGeneration * 100.0), rate);
    }
    std::fprintf(err, "\r%s\033[K", line);
    std::fflush(err);
    progressShown = true;
}

void BatchRunner::clearProgress(std::FILE* err)
{
    if (!progressShown)
        return;
    std::fputs("\r\033[K", err);
    std::fflush(err);
    progressShown = false;
}

int BatchRunner::run(std::FILE* out, std::FILE* err, bool showProgress)
{
    const unsigned seed = options.seedGiven ? options.seed : static_cast<unsigned>(std::time(nullptr));

    const std::wstring refusal = checkRunLimits(options.params);
    if (!refusal.empty()) {
        std::fprintf(err, "%s\n", narrow(refusal.c_str()).c_str());
        return EXIT_FAILED;
    }

    RunResources resources;
    if (!options.csvPath.empty()) {
        resources.csv = std::fopen(options.csvPath.c_str(), "w");
        if (!resources.csv) {
            std::fprintf(err, "Error: cannot write the CSV file '%s': %s\n", options.csvPath.c_str(),
                         std::strerror(errno));
            return EXIT_FAILED;
        }
        std::fputs(csvHeader().c_str(), resources.csv);
        std::fflush(resources.csv);
    }

    std::fprintf(out, "Seed: %u\n", seed);
    std::fflush(out);

    std::string error;
    if (!checkMediaFiles(error)) {
        std::fprintf(err, "%s\n", error.c_str());
        return EXIT_FAILED;
    }
    if (!engine.openDevice(video::EDT_NULL, core::dimension2du(640, 480), false, error)) {
        std::fprintf(err, "%s\n", error.c_str());
        return EXIT_FAILED;
    }
    // The engine's own information lines (meshes loaded and the like) would come between
    // the reports; its warnings and errors still show.
    engine.device->getLogger()->setLogLevel(ELL_WARNING);
    if (!engine.createScene(seed, false, error)) {
        std::fprintf(err, "%s\n", error.c_str());
        return EXIT_FAILED;
    }

    StopSignals stopSignals;
    engine.beforeGenerationCycle = [this](const World&) { generationEnding = true; };

    startEvolution(options.params, *engine.world);
    std::fprintf(out, "%s\n", narrow(engine.screenLog->lines[0]->getText()).c_str());
    std::fflush(out);

    runStart = std::chrono::steady_clock::now();
    auto generationStart = runStart;
    long long finished = 0;
    long long stepsInGeneration = 0;
    unsigned long long steps = 0;
    while (options.generations == 0 || finished < options.generations) {
        if (stopRequested) {
            clearProgress(err);
            std::fprintf(err, "Interrupted: %lld generation%s finished%s.\n", finished, finished == 1 ? "" : "s",
                         resources.csv ? ", all of them in the CSV" : "");
            std::fflush(out);
            return EXIT_INTERRUPTED;
        }

        generationEnding = false;
        engine.undrawnStep(animationTime(++steps));
        ++stepsInGeneration;

        if (generationEnding) {
            if (!engine.world->evolver) {
                // The engine has ended the run and written its error line.
                clearProgress(err);
                std::fflush(out);
                return EXIT_FAILED;
            }
            const Evolver& evolver = *engine.world->evolver;
            GenerationSummary summary;
            summary.generation = evolver.generation;
            summary.best = evolver.history.back().best;
            summary.mean = evolver.history.back().mean;
            summary.median = evolver.history.back().median;
            summary.steps = stepsInGeneration;
            summary.wallSeconds = secondsSince(generationStart);
            generationStart = std::chrono::steady_clock::now();
            stepsInGeneration = 0;
            ++finished;

            clearProgress(err);
            std::fprintf(out, "%s\n", narrow(engine.screenLog->lines[0]->getText()).c_str());
            std::fflush(out);
            if (resources.csv) {
                std::fputs(csvRow(summary).c_str(), resources.csv);
                std::fflush(resources.csv);
            }
        }
        const bool more = options.generations == 0 || finished < options.generations;
        if (showProgress && more && (steps % 64 == 0 || generationEnding))
            drawProgress(err, finished, static_cast<long long>(steps), false);
    }
    clearProgress(err);
    std::fflush(out);
    return EXIT_DONE;
}

int runBatchProgram(int argc, const char* const* argv)
{
    const std::string program = argc > 0 && argv[0] ? argv[0] : "kinetarium-batch";
    BatchOptions options;
    std::string error;
    if (!parseBatchOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return BatchRunner::EXIT_BAD_OPTIONS;
    }
    if (options.help) {
        std::fputs(batchUsage(program).c_str(), stdout);
        return BatchRunner::EXIT_DONE;
    }
    BatchRunner runner(options);
    return runner.run(stdout, stderr, isatty(fileno(stderr)) != 0);
}

} // namespace modules
