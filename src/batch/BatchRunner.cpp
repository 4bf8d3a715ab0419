#include "batch/BatchRunner.h"

#include "batch/StopSignals.h"

#include "core/Engine.h"
#include "core/Utf8.h"
#include "evolution/Evolver.h"
#include "evolution/PopulationFile.h"
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
    // False when the last buffered bytes cannot be written out.
    bool closeCsv()
    {
        std::FILE* file = csv;
        csv = nullptr;
        return std::fclose(file) == 0;
    }
    std::FILE* csv = nullptr;
};

// Each piece goes to the disk at once, so an interrupted run leaves every finished
// generation in the file; false when the system refuses it (a full disk, a pipe closed).
bool writeCsv(std::FILE* csv, const std::string& text)
{
    return std::fputs(text.c_str(), csv) >= 0 && std::fflush(csv) == 0;
}

void reportCsvError(std::FILE* err, const std::string& path)
{
    std::fprintf(err, "Error: cannot write the CSV file '%s': %s\n", path.c_str(), std::strerror(errno));
}

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
    unsigned seed = options.seedGiven ? options.seed : static_cast<unsigned>(std::time(nullptr));
    EvolutionParams params = options.params;
    SavedRun loaded;
    const bool resuming = !options.loadPath.empty();
    std::string overrideLine;
    if (resuming) {
        std::string error;
        if (!readPopulationFile(options.loadPath, loaded, error)) {
            std::fprintf(err, "%s\n", error.c_str());
            return EXIT_FAILED;
        }
        std::vector<std::string> changed;
        params = overrideParams(loaded.params, options, changed);
        // The saved genomes fix both: a network's length and their number.
        if (params.hiddenNeurons != loaded.params.hiddenNeurons || params.populationSize != loaded.params.populationSize) {
            const bool neurons = params.hiddenNeurons != loaded.params.hiddenNeurons;
            std::fprintf(err, "Error: %s cannot change on a loaded population: the population file '%s' holds %d %s.\n",
                         neurons ? "--hidden-neurons" : "--population-size", options.loadPath.c_str(),
                         neurons ? loaded.params.hiddenNeurons : loaded.params.populationSize,
                         neurons ? "hidden neurons" : "genomes");
            return EXIT_FAILED;
        }
        if (params.method != loaded.params.method) {
            std::fprintf(err, "Error: --method cannot change on a loaded population: the population file '%s' holds a run of %s.\n",
                         options.loadPath.c_str(), loaded.params.method.c_str());
            return EXIT_FAILED;
        }
        for (const std::string& name : changed)
            overrideLine += (overrideLine.empty() ? "" : ", ") + name;
        seed = loaded.seed;
    }
    {
        std::string error;
        if (!checkMethodOptions(options, params.method, error)) {
            std::fprintf(err, "%s\n", error.c_str());
            return EXIT_BAD_OPTIONS;
        }
    }

    const std::wstring refusal = checkRunLimits(params);
    if (!refusal.empty()) {
        std::fprintf(err, "%s\n", toUtf8(refusal.c_str()).c_str());
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
        if (!writeCsv(resources.csv, csvHeader())) {
            reportCsvError(err, options.csvPath);
            return EXIT_FAILED;
        }
    }

    std::fprintf(out, "Seed: %u\n", seed);
    if (resuming)
        std::fprintf(out, "Continuing from generation %d of %s\n", loaded.generation, options.loadPath.c_str());
    if (!overrideLine.empty())
        std::fprintf(out, "Parameters from the command line override the file's: %s (no longer an exact continuation)\n",
                     overrideLine.c_str());
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

    // A second Ctrl-C finds the default handler again and ends the program at once.
    stopRequested = 0;
    StopSignals stopSignals(onStopSignal, true);
    engine.beforeGenerationCycle = [this](const World&) { generationEnding = true; };

    if (resuming) {
        std::string reason;
        if (!resumeEvolution(loaded, params, *engine.world, animationTime(0), reason)) {
            std::fprintf(err, "Error: cannot load the population file '%s': %s.\n", options.loadPath.c_str(),
                         reason.c_str());
            return EXIT_FAILED;
        }
    } else {
        startEvolution(params, *engine.world);
    }
    // "Evolution started!" and the method's line.
    std::fprintf(out, "%s\n%s\n", toUtf8(engine.screenLog->lines[1]->getText()).c_str(),
                 toUtf8(engine.screenLog->lines[0]->getText()).c_str());
    std::fflush(out);

    runStart = std::chrono::steady_clock::now();
    auto generationStart = runStart;
    long long finished = 0;
    long long stepsInGeneration = 0;
    unsigned long long steps = 0;
    while (options.generations == 0 || finished < options.generations) {
        if (stopRequested) {
            clearProgress(err);
            if (resources.csv && !resources.closeCsv()) {
                reportCsvError(err, options.csvPath);
                std::fflush(out);
                return EXIT_FAILED;
            }
            std::fprintf(err, "Interrupted: %lld generation%s finished%s.\n", finished, finished == 1 ? "" : "s",
                         options.csvPath.empty() ? "" : ", all of them in the CSV");
            const bool saved = savePopulation(out, err, true);
            std::fflush(out);
            return saved ? EXIT_INTERRUPTED : EXIT_FAILED;
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
            summary.species = evolver.history.back().species;
            summary.genomeSize = evolver.history.back().genomeSize;
            summary.steps = stepsInGeneration;
            summary.wallSeconds = secondsSince(generationStart);
            generationStart = std::chrono::steady_clock::now();
            stepsInGeneration = 0;
            ++finished;

            clearProgress(err);
            std::fprintf(out, "%s\n", toUtf8(engine.screenLog->lines[0]->getText()).c_str());
            std::fflush(out);
            if (resources.csv && !writeCsv(resources.csv, csvRow(summary))) {
                reportCsvError(err, options.csvPath);
                return EXIT_FAILED;
            }
            const bool last = options.generations != 0 && finished == options.generations;
            if (options.checkpointEvery > 0 && finished % options.checkpointEvery == 0 && !last
                && !savePopulation(out, err, false))
                return EXIT_FAILED;
        }
        const bool more = options.generations == 0 || finished < options.generations;
        if (showProgress && more && (steps % 64 == 0 || generationEnding))
            drawProgress(err, finished, static_cast<long long>(steps), false);
    }
    clearProgress(err);
    const bool saved = savePopulation(out, err, true);
    std::fflush(out);
    if (resources.csv && !resources.closeCsv()) {
        reportCsvError(err, options.csvPath);
        return EXIT_FAILED;
    }
    return saved ? EXIT_DONE : EXIT_FAILED;
}

bool BatchRunner::savePopulation(std::FILE* out, std::FILE* err, bool announce)
{
    if (options.savePath.empty() || !engine.world || !engine.world->evolver)
        return true;
    std::string error;
    if (!writePopulationFile(options.savePath, savedRun(*engine.world->evolver), error)) {
        clearProgress(err);
        std::fprintf(err, "%s\n", error.c_str());
        return false;
    }
    if (announce)
        std::fprintf(out, "Population saved to %s\n", options.savePath.c_str());
    return true;
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
