#include "study/RunDispatcher.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <sys/wait.h>
#include <unistd.h>

namespace modules {

LocalDispatcher::LocalDispatcher(std::string batchProgram, unsigned jobs)
    : batchProgram(std::move(batchProgram))
    , jobs(jobs)
{
}

bool LocalDispatcher::execute(const StudyPlan& plan, const std::string& dir, const std::vector<std::size_t>& pending,
                              StudyProgress& progress, std::map<std::size_t, RunOutcome>& outcomes)
{
    std::map<pid_t, std::size_t> running;
    std::size_t next = 0;
    bool stopSent = false;
    auto csvOf = [&](std::size_t index) { return dir + "/runs/" + runStem(plan, plan.runs[index]) + ".csv"; };
    auto logOf = [&](std::size_t index) { return dir + "/runs/" + runStem(plan, plan.runs[index]) + ".log"; };

    for (;;) {
        while (!studyStopRequested() && running.size() < jobs && next < pending.size()) {
            const std::size_t index = pending[next++];
            const std::string partial = csvOf(index) + ".partial";
            // A new file, not the old one truncated: a run left over from a killed study may
            // still be writing to that one.
            std::remove(partial.c_str());
            std::string error;
            const pid_t pid = spawnProcess(batchProgram, batchArguments(plan, plan.runs[index], partial),
                                           logOf(index), error);
            if (pid < 0) {
                RunOutcome& outcome = outcomes[index];
                outcome.error = error;
                progress.started();
                progress.finished();
                progress.message(failureLine(plan, index, outcome));
                continue;
            }
            running[pid] = index;
            progress.started();
        }
        if (running.empty())
            break;
        if (studyStopRequested() && !stopSent) {
            for (const auto& child : running)
                kill(child.first, SIGTERM);
            stopSent = true;
        }

        int status = 0;
        const pid_t pid = waitpid(-1, &status, WNOHANG);
        if (pid == 0 || (pid < 0 && errno == EINTR)) {
            usleep(20000);
            progress.tick();
            continue;
        }
        if (pid < 0) {
            // No child to wait for though runs are tracked (reaped behind our back): their
            // results are unknown, so each counts as failed rather than the study as done.
            const std::string error = std::string("Error: the run's process was lost: ") + std::strerror(errno);
            for (const auto& child : running) {
                std::remove(logOf(child.second).c_str());
                RunOutcome& outcome = outcomes[child.second];
                outcome.error = error;
                progress.finished();
                progress.message(failureLine(plan, child.second, outcome));
            }
            running.clear();
            continue;
        }
        const auto child = running.find(pid);
        if (child == running.end())
            continue;
        const std::size_t index = child->second;
        running.erase(child);
        const std::string csv = csvOf(index);
        RunOutcome outcome = judgeRun(status, logOf(index), csv + ".partial", plan.generations, studyStopRequested());
        if (outcome.done && std::rename((csv + ".partial").c_str(), csv.c_str()) != 0) {
            outcome.done = false;
            outcome.error = "Error: cannot rename '" + csv + ".partial': " + std::strerror(errno);
        }
        outcomes[index] = outcome;
        progress.finished();
        if (!outcome.done && !outcome.interrupted)
            progress.message(failureLine(plan, index, outcome));
    }
    return !studyStopRequested();
}

std::string failureLine(const StudyPlan& plan, std::size_t runIndex, const RunOutcome& outcome)
{
    const StudyRun& run = plan.runs[runIndex];
    return "Run " + plan.configs[run.config].label + " seed " + std::to_string(run.seed) + " failed: " + outcome.error;
}

} // namespace modules
