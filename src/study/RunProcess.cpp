#include "study/RunProcess.h"

#include "study/RunCsv.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace modules {

namespace {

// The line that says why a run failed: the last "Error: ..." or "Cannot start: ..." line
// of its output, else its last line.
std::string errorLine(const std::string& log)
{
    std::string found;
    std::string last;
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        std::string line = log.substr(start, end - start);
        start = end + 1;
        // The progress bar is not drawn into a file, but a stray carriage return would be.
        const std::size_t cr = line.rfind('\r');
        if (cr != std::string::npos)
            line = line.substr(cr + 1);
        if (line.empty())
            continue;
        last = line;
        if (line.compare(0, 7, "Error: ") == 0 || line.compare(0, 14, "Cannot start: ") == 0)
            found = line;
    }
    return found.empty() ? last : found;
}

} // namespace

pid_t spawnProcess(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& logPath, std::string& error)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    // The run gets the default signal dispositions and no blocked signals, whatever ours are.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int failure = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failure != 0) {
        error = "Error: cannot start '" + program + "': " + std::strerror(failure);
        return -1;
    }
    return pid;
}

RunOutcome judgeRun(int waitStatus, const std::string& logPath, const std::string& csvPath, long long generations,
                    bool stopping)
{
    RunOutcome outcome;
    std::string log;
    readWholeFile(logPath, log);
    std::remove(logPath.c_str());

    std::vector<double> best;
    if (WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 0) {
        outcome.done = readCompleteRun(csvPath, generations, best);
        if (!outcome.done)
            outcome.error = "Error: the run ended without a complete CSV file";
        return outcome;
    }
    if (stopping && ((WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 130) ||
                     (WIFSIGNALED(waitStatus) && (WTERMSIG(waitStatus) == SIGINT || WTERMSIG(waitStatus) == SIGTERM)))) {
        outcome.interrupted = true;
        return outcome;
    }
    if (WIFSIGNALED(waitStatus)) {
        const int signal = WTERMSIG(waitStatus);
        outcome.error = "Error: the run was killed by signal " + std::to_string(signal) + " (" + strsignal(signal) + ")";
        const std::string line = errorLine(log);
        if (line.compare(0, 7, "Error: ") == 0)
            outcome.error += " after: " + line;
        return outcome;
    }
    outcome.error = errorLine(log);
    if (outcome.error.empty())
        outcome.error = "Error: the run exited with status " + std::to_string(WEXITSTATUS(waitStatus));
    return outcome;
}

std::string batchExecutablePath()
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return "kinetarium-batch";
    const std::string self(buffer, static_cast<std::size_t>(length));
    return self.substr(0, self.rfind('/') + 1) + "kinetarium-batch";
}

} // namespace modules
