#pragma once

// Runs a piece of code in a forked child so that a crash or a hang of the engine shows as a
// result instead of ending the test program. The child ends with _exit, so no exit handlers
// (and no leak check of the copied heap) run there.

#include <csignal>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

struct ChildResult {
    bool exited = false;   // ended by itself with `status`
    int status = 0;
    int signal = 0;        // the signal that ended it otherwise (SIGALRM: it overran its time)

    bool hung() const { return !exited && signal == SIGALRM; }
    bool crashed() const { return !exited && signal != SIGALRM; }
    std::string describe() const
    {
        if (exited)
            return "exit status " + std::to_string(status);
        return hung() ? std::string("hang (killed after its time bound)") : "signal " + std::to_string(signal);
    }
};

// `body` returns the child's exit status; `seconds` bounds it (SIGALRM ends it).
template <typename Body>
ChildResult runInChild(Body body, unsigned seconds)
{
    ChildResult result;
    const pid_t pid = fork();
    if (pid < 0) {
        result.signal = -1;
        return result;
    }
    if (pid == 0) {
        alarm(seconds);
        _exit(body());
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    if (WIFEXITED(status)) {
        result.exited = true;
        result.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

} // namespace testing_support
