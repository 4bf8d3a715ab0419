#pragma once

#include "study/RunProcess.h"
#include "study/StudyPlan.h"
#include "study/StudyProgress.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace modules {

// Where a study's runs are made: child processes on this machine, or the ranks of an MPI job.
class RunDispatcher {
public:
    virtual ~RunDispatcher() = default;

    // Makes the runs `pending` (indices into plan.runs). A run that is done leaves its CSV
    // at runs/STEM.csv in `dir`, and nothing complete-looking before. Each outcome goes to
    // `outcomes`. Returns false when the study was interrupted.
    virtual bool execute(const StudyPlan& plan, const std::string& dir, const std::vector<std::size_t>& pending,
                         StudyProgress& progress, std::map<std::size_t, RunOutcome>& outcomes) = 0;
};

// Up to `jobs` runs at a time, each a kinetarium-batch process.
class LocalDispatcher : public RunDispatcher {
public:
    LocalDispatcher(std::string batchProgram, unsigned jobs);
    bool execute(const StudyPlan& plan, const std::string& dir, const std::vector<std::size_t>& pending,
                 StudyProgress& progress, std::map<std::size_t, RunOutcome>& outcomes) override;

private:
    std::string batchProgram;
    unsigned jobs;
};

// Set by SIGINT and SIGTERM while a study runs (see StopSignals in StudyProgram).
bool studyStopRequested();
// Asks the study to stop as those signals do; a signal handler itself.
void requestStudyStop(int signal);

// The line shown for a failed run.
std::string failureLine(const StudyPlan& plan, std::size_t runIndex, const RunOutcome& outcome);

} // namespace modules
