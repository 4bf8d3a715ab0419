#include "batch/BatchRunner.h"

#include "cli/OptionValue.h"
#include "cli/StopSignals.h"

#include "core/Engine.h"
#include "core/ProgressBar.h"
#include "core/SafeWrite.h"
#include "core/SameFile.h"
#include "core/Utf8.h"
#include "evolution/EvolutionRun.h"
#include "evolution/MethodMeasures.h"
#include "evolution/PopulationFile.h"
#include "evolution/ResumeCheck.h"
#include "evolution/RunLimits.h"
#include "media/MediaCheck.h"
#include "methods/MethodRegistry.h"
#include "methods/NoveltySearch.h"
#include "vehicle/Vehicle.h"
#include "world/World.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>

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
        engine.runAborted = nullptr;
        engine.abortRunOutput = stdout;
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

// One line on `err`; control characters in a file name are shown escaped, so it stays one.
void reportError(std::FILE* err, const std::string& line)
{
    std::fprintf(err, "%s\n", printable(line).c_str());
}

std::string csvError(const std::string& path, const std::string& reason)
{
    return "Error: cannot write the CSV file '" + path + "': " + reason;
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
        std::snprintf(line, sizeof line, "%s %3d%%  generation %lld of %lld  %.0f steps/s", progressBar(done).c_str(),
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

int BatchRunner::checkOutputFiles(std::FILE* err) const
{
    // Two names of one file: the CSV would cut the population file the run continues, or the
    // population file would be renamed over the CSV at the end. --save may name the loaded
    // file: it is replaced, whole, by the run's continuation.
    const std::pair<const char*, const std::string*> others[] = {{"--save", &options.savePath},
                                                                 {"--load", &options.loadPath}};
    for (const auto& [name, path] : others) {
        if (!options.csvPath.empty() && !path->empty() && sameFile(options.csvPath, *path)) {
            reportError(err, "Error: --csv '" + options.csvPath + "' and " + name + " '" + *path +
                                 "' name the same file; the CSV needs a file of its own");
            return EXIT_BAD_OPTIONS;
        }
    }
    // Found out now rather than after hours of work.
    std::string reason;
    if (!options.savePath.empty() && !canWriteFileSafely(options.savePath, reason)) {
        reportError(err, "Error: cannot write the population file '" + options.savePath + "': " + reason + ".");
        return EXIT_FAILED;
    }
    return EXIT_DONE;
}

bool BatchRunner::report(std::FILE* out, const std::string& line)
{
    if (!outputFailure.empty() || outputStopped)
        return false;
    if (std::fputs(line.c_str(), out) < 0 || std::fputc('\n', out) == EOF || std::fflush(out) != 0) {
        // Ctrl-C while nobody reads the output (a full pipe) breaks off the blocked write:
        // that is the stop, not a failed output. A later line would block again.
        if (errno == EINTR && stopRequested)
            outputStopped = true;
        else
            outputFailure = std::strerror(errno);
        return false;
    }
    return true;
}

int BatchRunner::run(std::FILE* out, std::FILE* err, bool showProgress)
{
    const int filesStatus = checkOutputFiles(err);
    if (filesStatus != EXIT_DONE)
        return filesStatus;

    unsigned seed = options.seedGiven ? options.seed : static_cast<unsigned>(std::time(nullptr));
    EvolutionParams params = options.params;
    SavedRun loaded;
    const bool resuming = !options.loadPath.empty();
    std::string overrideLine;
    if (resuming) {
        std::string error;
        if (!readPopulationFile(options.loadPath, loaded, error)) {
            reportError(err, error);
            return EXIT_FAILED;
        }
        std::vector<std::string> changed;
        params = overrideParams(loaded.params, options, changed);
        const ResumeConflict conflict = resumeConflict(loaded.params, params);
        const std::string file = "the population file '" + options.loadPath + "'";
        switch (conflict.kind) {
        case ResumeConflict::NONE:
            break;
        case ResumeConflict::SHAPE: {
            const bool neurons = conflict.option == "hidden-neurons";
            reportError(err, "Error: --" + conflict.option + " cannot change on a loaded population: " + file +
                                 " holds " +
                                 std::to_string(neurons ? loaded.params.hiddenNeurons : loaded.params.populationSize) +
                                 (neurons ? " hidden neurons." : " genomes."));
            return EXIT_FAILED;
        }
        case ResumeConflict::TASK:
            reportError(err, "Error: --task cannot change on a loaded population: " + file + " holds a run of the task " +
                                 loaded.params.task + ".");
            return EXIT_FAILED;
        case ResumeConflict::METHOD:
            reportError(err, "Error: --method cannot change on a loaded population: " + file + " holds a run of " +
                                 loaded.params.method + ".");
            return EXIT_FAILED;
        case ResumeConflict::FIXED_VALUE:
            // Refused rather than announced and ignored: the file would claim a value the search never used.
            reportError(err, "Error: --" + conflict.option + " cannot change on the loaded population '" +
                                 options.loadPath + "': " + conflict.why + ".");
            return EXIT_FAILED;
        }
        for (const std::string& name : changed)
            overrideLine += (overrideLine.empty() ? "" : ", ") + name;
        seed = loaded.seed;
    }
    {
        std::string error;
        if (!checkMethodOptions(options, params.method, error) || !checkTaskOptions(options, params.task, error)
            || !checkObjectiveOptions(options, params, error)) {
            std::fprintf(err, "%s\n", error.c_str());
            return EXIT_BAD_OPTIONS;
        }
    }

    const std::wstring refusal = checkRunLimits(params);
    if (!refusal.empty()) {
        reportError(err, toUtf8(refusal.c_str()));
        return EXIT_FAILED;
    }

    const std::vector<std::string> measureNames = runMeasureNames(params);
    RunResources resources;
    if (!options.csvPath.empty()) {
        resources.csv = std::fopen(options.csvPath.c_str(), "w");
        if (!resources.csv || !writeCsv(resources.csv, csvHeader(measureNames))) {
            reportError(err, csvError(options.csvPath, std::strerror(errno)));
            return EXIT_FAILED;
        }
    }

    report(out, "Seed: " + std::to_string(seed));
    if (resuming)
        report(out, "Continuing from generation " + std::to_string(loaded.generation) + " of " +
                        printable(options.loadPath));
    if (!overrideLine.empty())
        report(out, "Parameters from the command line override the file's: " + overrideLine +
                        " (no longer an exact continuation)");

    std::string error;
    if (!checkMediaFiles(error)) {
        reportError(err, error);
        return EXIT_FAILED;
    }
    // The engine's own information lines (its banner, meshes loaded and the like) would come
    // between the reports; its warnings and errors still show.
    if (!engine.openDevice(video::EDT_NULL, core::dimension2du(640, 480), false, error, ELL_WARNING)) {
        reportError(err, error);
        return EXIT_FAILED;
    }
    if (!engine.createScene(seed, false, error)) {
        reportError(err, error);
        return EXIT_FAILED;
    }

    // A second Ctrl-C finds the default handler again and ends the program at once.
    stopRequested = 0;
    StopSignals stopSignals(onStopSignal, true);
    engine.beforeGenerationCycle = [this](const World&) { generationEnding = true; };
    // Its line goes to `err` below, after the progress bar is cleared.
    engine.abortRunOutput = nullptr;
    engine.runAborted = [this](const char* message) { abortMessage = message; };

    if (resuming) {
        std::string reason;
        if (!resumeEvolution(loaded, params, *engine.world, animationTime(0), reason)) {
            std::fprintf(err, "Error: cannot load the population file '%s': %s.\n", options.loadPath.c_str(),
                         reason.c_str());
            return EXIT_FAILED;
        }
    } else if (!startEvolution(params, *engine.world, error)) {
        reportError(err, error);
        return EXIT_FAILED;
    }
    // "Evolution started!" and the method's line, for every method: standard output always
    // says how the run evolves (the window's log names only a method other than the default).
    report(out, toUtf8(RUN_STARTED_LINE));
    report(out, toUtf8(methodLine(*engine.world->run->method).c_str()));
    if (params.task != EvolutionParams().task)
        report(out, toUtf8(taskLine(*engine.world->run->task).c_str()));
    if (dynamic_cast<const NoveltySearch*>(engine.world->run->method.get()))
        report(out, toUtf8(objectiveLine(params).c_str()));

    runStart = std::chrono::steady_clock::now();
    auto generationStart = runStart;
    long long finished = 0;
    long long stepsInGeneration = 0;
    unsigned long long steps = 0;
    // A CSV row or a report line the system refuses (a full disk, a closed pipe) stops the
    // run as Ctrl-C does: the population is still saved.
    std::string csvFailure;
    bool interrupted = false;
    while (options.generations == 0 || finished < options.generations) {
        if (!outputFailure.empty() || !csvFailure.empty())
            break;
        if (stopRequested) {
            interrupted = true;
            break;
        }

        generationEnding = false;
        engine.undrawnStep(animationTime(++steps));
        ++stepsInGeneration;

        if (generationEnding) {
            if (!engine.world->run) {
                // The engine has ended the run and said why.
                clearProgress(err);
                reportError(err, abortMessage);
                return EXIT_FAILED;
            }
            const EvolutionRun& run = *engine.world->run;
            GenerationSummary summary;
            summary.generation = run.generation;
            summary.best = run.history.back().best;
            summary.mean = run.history.back().mean;
            summary.median = run.history.back().median;
            summary.species = run.history.back().species;
            summary.genomeSize = run.history.back().genomeSize;
            summary.measures = run.lastMeasures;
            summary.steps = stepsInGeneration;
            summary.wallSeconds = secondsSince(generationStart);
            generationStart = std::chrono::steady_clock::now();
            stepsInGeneration = 0;
            ++finished;

            clearProgress(err);
            report(out, toUtf8(generationReportLine(run.generation, summary.best).c_str()));
            const std::wstring note = run.task->generationNote(summary.measures, static_cast<std::size_t>(run.populationSize));
            if (!note.empty())
                report(out, toUtf8(note.c_str()));
            if (resources.csv && !writeCsv(resources.csv, csvRow(summary)))
                csvFailure = std::strerror(errno);
            const bool last = options.generations != 0 && finished == options.generations;
            const bool stopping = !csvFailure.empty() || !outputFailure.empty();
            if (options.checkpointEvery > 0 && finished % options.checkpointEvery == 0 && !last && !stopping
                && !savePopulation(out, err, false))
                return EXIT_FAILED;
        }
        const bool more = options.generations == 0 || finished < options.generations;
        if (showProgress && more && (steps % 64 == 0 || generationEnding))
            drawProgress(err, finished, static_cast<long long>(steps), false);
    }
    clearProgress(err);

    // However the run ended, the CSV keeps what was written and the population is saved.
    if (csvFailure.empty() && resources.csv && !resources.closeCsv())
        csvFailure = std::strerror(errno);
    if (!csvFailure.empty())
        reportError(err, csvError(options.csvPath, csvFailure));
    const std::string held = std::to_string(finished) + " generation" + (finished == 1 ? "" : "s") + " finished" +
                             (options.csvPath.empty() || !csvFailure.empty() ? "" : ", all of them in the CSV");
    if (!outputFailure.empty())
        reportError(err, "Error: cannot write to standard output: " + outputFailure + "; " + held + ".");
    else if (interrupted)
        reportError(err, "Interrupted: " + held + ".");
    const bool saved = savePopulation(out, err, true);
    if (!saved || !csvFailure.empty() || !outputFailure.empty())
        return EXIT_FAILED;
    return interrupted ? EXIT_INTERRUPTED : EXIT_DONE;
}

bool BatchRunner::savePopulation(std::FILE* out, std::FILE* err, bool announce)
{
    if (options.savePath.empty() || !engine.world || !engine.world->run)
        return true;
    std::string error;
    if (!writePopulationFile(options.savePath, savedRun(*engine.world->run), error)) {
        clearProgress(err);
        reportError(err, error);
        return false;
    }
    if (announce) {
        // With standard output gone, the line that says where the run went goes to `err`.
        const std::string line = "Population saved to " + printable(options.savePath);
        if (!report(out, line))
            std::fprintf(err, "%s\n", line.c_str());
    }
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
    // A closed pipe shows as a failed write, which stops the run and saves it, instead of
    // ending the program on the spot.
    std::signal(SIGPIPE, SIG_IGN);
    BatchRunner runner(options);
    return runner.run(stdout, stderr, isatty(fileno(stderr)) != 0);
}

} // namespace modules
