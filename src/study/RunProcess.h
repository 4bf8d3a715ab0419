#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace modules {

// How one run ended.
struct RunOutcome {
    bool done = false;        // exited 0 with a whole CSV
    bool interrupted = false; // stopped by the study's own Ctrl-C or SIGTERM
    std::string error;        // for a failed run: its error line, or how it ended
};

// Starts `program` with `arguments` (vfork: no copy of a large or MPI process), its
// standard output and error into `logPath`, standard input from /dev/null. The process is
// killed when this one ends, however it ends. Returns the process id, or -1 with an
// "Error: " line in `error`.
pid_t spawnProcess(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& logPath, std::string& error);

// Judges a finished run from its wait status, its log (removed afterwards) and its CSV.
// `stopping`: the study itself is being interrupted, so a run that ended by the
// interruption is not a failure.
RunOutcome judgeRun(int waitStatus, const std::string& logPath, const std::string& csvPath, long long generations,
                    bool stopping);

// The kinetarium-batch executable next to this program's own.
std::string batchExecutablePath();

} // namespace modules
