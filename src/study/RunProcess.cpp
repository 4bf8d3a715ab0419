#include "study/RunProcess.h"

#include "study/RunCsv.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <pthread.h>
#include <sys/prctl.h>
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

// What a run's process does between vfork and exec. It shares our memory until then, so
// it makes system calls only: no allocation, no locks.
struct ChildSetup {
    const char* program = nullptr;
    char* const* argv = nullptr;
    const char* logPath = nullptr;
    pid_t parent = 0;
    volatile int failure = 0; // errno of a step that failed in the child
};

[[noreturn]] void becomeRun(ChildSetup& setup)
{
    // The run ends with the study, even when the study is killed outright; a study that
    // died before this line is seen as a changed parent.
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != setup.parent) {
        setup.failure = ESRCH;
        _exit(127);
    }
    // The run gets the default signal dispositions and no blocked signals, whatever ours are.
    struct sigaction defaults;
    std::memset(&defaults, 0, sizeof defaults);
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal)
        sigaction(signal, &defaults, nullptr); // refused for SIGKILL, SIGSTOP and libc's own
    const int input = open("/dev/null", O_RDONLY);
    const int log = open(setup.logPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (input < 0 || log < 0 || dup2(input, STDIN_FILENO) < 0 || dup2(log, STDOUT_FILENO) < 0 ||
        dup2(log, STDERR_FILENO) < 0) {
        setup.failure = errno;
        _exit(127);
    }
    if (input > STDERR_FILENO)
        close(input);
    if (log > STDERR_FILENO)
        close(log);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve(setup.program, setup.argv, environ);
    setup.failure = errno;
    _exit(127);
}

// vfork, not fork: no copy of a large or MPI process. Kept apart so that nothing of the
// caller's lives in registers across it.
__attribute__((noinline)) pid_t startChild(ChildSetup& setup)
{
    const pid_t pid = vfork();
    if (pid == 0)
        becomeRun(setup);
    return pid;
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

    ChildSetup setup;
    setup.program = program.c_str();
    setup.argv = argv.data();
    setup.logPath = logPath.c_str();
    setup.parent = getpid();

    // No handler of ours may run in the child while it shares our memory.
    sigset_t all;
    sigset_t old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    const pid_t pid = startChild(setup);
    const int forkErrno = errno;
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (pid < 0) {
        error = "Error: cannot start '" + program + "': " + std::strerror(forkErrno);
        return -1;
    }
    // vfork returns once the child has called exec or ended: its failure is known now.
    if (setup.failure != 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        error = "Error: cannot start '" + program + "': " + std::strerror(setup.failure);
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
