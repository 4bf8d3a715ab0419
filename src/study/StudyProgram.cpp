#include "study/StudyProgram.h"

#include "cli/OptionValue.h"
#include "cli/StopSignals.h"
#include "core/SafeWrite.h"
#include "study/LearningCurves.h"
#include "study/RunCsv.h"
#include "study/StudyReport.h"
#include "study/Tuning.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace modules {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

bool makeFolder(const std::string& path, std::string& error)
{
    if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) {
        struct stat info;
        if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            return true;
        error = "Error: '" + path + "' is not a folder";
        return false;
    }
    error = "Error: cannot create the folder '" + path + "': " + std::strerror(errno);
    return false;
}

// study.json records what each combination's runs were made with, so that a resumed study
// never mixes in runs of other settings that happen to share a file name.
bool checkStudyRecord(const StudyPlan& plan, const std::string& dir, std::string& error)
{
    const std::string path = dir + "/study.json";
    nlohmann::json record = {{"generations", plan.generations}, {"combinations", nlohmann::json::object()}};
    std::string text;
    if (readWholeFile(path, text)) {
        nlohmann::json old = nlohmann::json::parse(text, nullptr, false);
        if (old.is_discarded() || !old.is_object() || !old.contains("generations") ||
            !old["combinations"].is_object()) {
            error = "Error: '" + path + "' is damaged; remove it or choose another --out";
            return false;
        }
        if (old["generations"] != plan.generations) {
            error = "Error: '" + dir + "' holds a study of " + old["generations"].dump() +
                    " generations; choose another --out";
            return false;
        }
        record = old;
    }
    for (const StudyConfig& config : plan.configs) {
        const nlohmann::json arguments = config.parameterArguments;
        nlohmann::json& known = record["combinations"][config.name];
        if (!known.is_null() && known != arguments) {
            error = "Error: '" + dir + "' holds runs of " + config.name + " with other parameters (" + known.dump() +
                    "); choose another --out";
            return false;
        }
        known = arguments;
    }
    return writeFileReplacing(path, record.dump(2) + "\n", error);
}

bool writeResults(const StudyPlan& plan, const std::string& dir, const std::vector<ConfigResult>& results)
{
    std::string error;
    bool written = writeFileReplacing(dir + "/summary.csv", summaryCsv(plan, results), error);
    if (written && plan.configs.size() >= 2) {
        written = writeFileReplacing(dir + "/comparison.csv", comparisonCsv(plan, results), error);
    } else if (written && std::remove((dir + "/comparison.csv").c_str()) != 0 && errno != ENOENT) {
        // One combination has nothing to compare: a comparison left by an earlier study
        // into this folder would no longer match the summary.
        error = "Error: cannot remove the old '" + dir + "/comparison.csv': " + std::strerror(errno);
        written = false;
    }
    if (written)
        written = writeFileReplacing(dir + "/learning-curves.svg", learningCurvesSvg(plan, results), error);
    for (const std::string& measure : studyMeasureNames(results))
        if (written)
            written = writeFileReplacing(dir + "/" + measure + "-curves.svg", measureCurvesSvg(plan, results, measure), error);
    if (!written)
        std::fprintf(stderr, "%s\n", error.c_str());
    return written;
}

std::string seedsText(unsigned first, unsigned last)
{
    return std::to_string(last - first + 1ULL) + " seed" + (first == last ? "" : "s");
}

// Makes the runs of `plan` not yet complete in `dir`, after a line saying what is made
// ("WHAT = N runs of G generations; C already complete in DIR"). False when interrupted,
// with the line saying so.
bool runStage(const StudyPlan& plan, const std::string& dir, const std::string& what, RunDispatcher& dispatcher,
              std::map<std::size_t, RunOutcome>& outcomes)
{
    // Resume: a run whose CSV is whole is not made again.
    std::vector<std::size_t> pending;
    for (std::size_t i = 0; i < plan.runs.size(); ++i) {
        std::vector<double> curve;
        if (!readCompleteRun(dir + "/runs/" + runStem(plan, plan.runs[i]) + ".csv", plan.generations, curve))
            pending.push_back(i);
    }
    const std::size_t complete = plan.runs.size() - pending.size();
    std::printf("%s = %zu run%s of %lld generation%s; %zu already complete in %s\n", what.c_str(), plan.runs.size(),
                plan.runs.size() == 1 ? "" : "s", plan.generations, plan.generations == 1 ? "" : "s", complete,
                dir.c_str());
    std::fflush(stdout);
    if (pending.empty())
        return true;
    // SIGINT and SIGTERM let the runs under way stop and leave them to be redone on resume.
    stopRequested = 0;
    StopSignals stopSignals(requestStudyStop, false);
    StudyProgress progress(plan.runs.size(), complete, isatty(fileno(stderr)) != 0, stderr);
    const bool finished = dispatcher.execute(plan, dir, pending, progress, outcomes);
    progress.clear();
    if (finished)
        return true;
    std::size_t nowComplete = complete;
    for (const auto& entry : outcomes)
        nowComplete += entry.second.done ? 1 : 0;
    std::fprintf(stderr, "Interrupted: %zu of %zu runs complete; the same command again finishes the study.\n",
                 nowComplete, plan.runs.size());
    return false;
}

} // namespace

bool studyStopRequested()
{
    return stopRequested != 0;
}

void requestStudyStop(int)
{
    stopRequested = 1;
}

int runStudyProgram(int argc, const char* const* argv, RunDispatcher* dispatcher)
{
    // A parent that ignores SIGCHLD passes that on, and the runs would then be reaped
    // unseen: waitpid could not tell how they ended.
    std::signal(SIGCHLD, SIG_DFL);
    const std::string program = argc > 0 && argv[0] ? argv[0] : "kinetarium-study";
    StudyOptions options;
    std::string error;
    if (!parseStudyOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "%s\n", printable(error).c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(studyUsage(program).c_str(), stdout);
        return 0;
    }
    StudyPlan plan = makeStudyPlan(options);
    const std::string& dir = options.outDir;
    if (!makeFolder(dir, error) || !makeFolder(dir + "/runs", error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }

    std::unique_ptr<LocalDispatcher> local;
    if (!dispatcher) {
        const std::string batch = batchExecutablePath();
        if (access(batch.c_str(), X_OK) != 0) {
            std::fprintf(stderr, "Error: no kinetarium-batch program at '%s', next to this one\n", batch.c_str());
            return 1;
        }
        local = std::make_unique<LocalDispatcher>(batch, options.jobs);
        dispatcher = local.get();
    }

    if (options.tune) {
        // The tuning stage is a study of its own in tuning/: resumed the same way, and its
        // choices, made from complete runs only, come out the same on every resume.
        const Tuning tuning = makeTuning(plan, options);
        const std::string tuningDir = dir + "/tuning";
        if (!makeFolder(tuningDir, error) || !makeFolder(tuningDir + "/runs", error) ||
            !checkStudyRecord(tuning.plan, tuningDir, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
        std::map<std::size_t, RunOutcome> tuningOutcomes;
        const std::string what = "Tuning: " + std::to_string(tuning.plan.configs.size()) + " candidates x " +
                                 seedsText(options.tuneFirstSeed, options.tuneLastSeed);
        if (!runStage(tuning.plan, tuningDir, what, *dispatcher, tuningOutcomes))
            return 130;
        const std::vector<ConfigResult> tuningResults = collectResults(tuning.plan, tuningDir, tuningOutcomes);
        const std::vector<std::size_t> chosen = chooseCandidates(tuning, tuningResults, plan.configs.size());
        std::printf("\n%s\n", tuningTable(tuning, plan, tuningResults, chosen).c_str());
        if (!writeFileReplacing(dir + "/tuning.csv", tuningCsv(tuning, plan, tuningResults, chosen), error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        for (std::size_t c = 0; c < plan.configs.size(); ++c) {
            if (tuning.tunes(c) && chosen[c] == static_cast<std::size_t>(-1)) {
                std::fprintf(stderr, "Error: no candidate of %s has all its tuning runs; the comparison is not run "
                                     "(see the failed runs above; the same command again retries them)\n",
                             plan.configs[c].label.c_str());
                return 1;
            }
        }
        applyChoices(plan, tuning, chosen);
    }
    if (!checkStudyRecord(plan, dir, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }

    std::map<std::size_t, RunOutcome> outcomes;
    const std::string what = "Study: " + std::to_string(plan.configs.size()) + " combination" +
                             (plan.configs.size() == 1 ? "" : "s") + " x " +
                             seedsText(options.firstSeed, options.lastSeed);
    if (!runStage(plan, dir, what, *dispatcher, outcomes))
        return 130;

    const std::vector<ConfigResult> results = collectResults(plan, dir, outcomes);
    const bool written = writeResults(plan, dir, results);
    std::printf("\n%s\nResults in %s: summary.csv%s, learning-curves.svg, runs/\n", summaryTable(plan, results).c_str(),
                dir.c_str(), plan.configs.size() >= 2 ? ", comparison.csv" : "");
    bool anyFailed = false;
    for (const ConfigResult& result : results)
        anyFailed = anyFailed || !result.failures.empty();
    return anyFailed || !written ? 1 : 0;
}

} // namespace modules
