#include "media/MediaCheck.h"

#include "media/TrialLoad.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// AddressSanitizer reserves terabytes of address space before main: an address-space bound
// would leave it none, so a sanitized build watches the child's resident memory instead.
#if defined(__SANITIZE_ADDRESS__)
#define KINETARIUM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KINETARIUM_ASAN 1
#endif
#endif

namespace modules {

namespace {

#ifdef KINETARIUM_ASAN
constexpr bool SANITIZED = true;
#else
constexpr bool SANITIZED = false;
#endif

// The write end of the pipe to the parent; -1 outside the trial load.
int reportPipe = -1;

void send(const std::string& line)
{
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(reportPipe, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

[[noreturn]] void outOfMemory()
{
    send("memory");
    _exit(3);
}

std::size_t pageSize()
{
    const long size = sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<std::size_t>(size) : 4096;
}

// Field `index` of /proc/<pid>/statm (0: address space, 1: resident), in bytes; 0 if unknown.
std::size_t statmBytes(pid_t pid, int index)
{
    const std::string path = pid == 0 ? "/proc/self/statm" : "/proc/" + std::to_string(pid) + "/statm";
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file)
        return 0;
    unsigned long pages[2] = {0, 0};
    const int read = std::fscanf(file, "%lu %lu", &pages[0], &pages[1]);
    std::fclose(file);
    return read == 2 ? pages[index] * pageSize() : 0;
}

void lowerLimit(int resource, std::size_t bytes)
{
    struct rlimit limit;
    if (getrlimit(resource, &limit) != 0)
        return;
    const rlim_t wanted = static_cast<rlim_t>(bytes);
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > wanted) {
        limit.rlim_cur = wanted;
        setrlimit(resource, &limit);
    }
}

[[noreturn]] void runChild(int pipe, const MediaCheckLimits& limits, const std::string& directory)
{
    reportPipe = pipe;
    // A last resort should the parent be gone: the child never outlives its time by much.
    alarm(limits.seconds + 5);
    // The program speaks for the child: the engine's own lines would come twice.
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (null > STDERR_FILENO)
            close(null);
    }
    lowerLimit(RLIMIT_STACK, limits.stackBytes);
    if (!SANITIZED)
        lowerLimit(RLIMIT_AS, statmBytes(0, 0) + limits.memoryBytes);
    std::set_new_handler(outOfMemory);

    if (!directory.empty() && chdir(directory.c_str()) != 0) {
        send("failed Error: cannot enter the folder " + directory + ": " + std::strerror(errno) + ".");
        _exit(1);
    }
    const std::string error = trialLoad();
    send(error.empty() ? std::string("done") : "failed " + error);
    _exit(0);
}

// What the child said: the file it read last, and how it ended.
struct Report {
    std::string reading = "media";
    std::string failure;
    bool done = false;
    bool outOfMemory = false;
};

Report parse(const std::string& received)
{
    Report report;
    std::size_t pos = 0;
    while (pos < received.size()) {
        const std::size_t newline = received.find('\n', pos);
        if (received.compare(pos, 7, "failed ") == 0) {
            // The program's message is the last thing the child says.
            std::string text = received.substr(pos + 7);
            while (!text.empty() && text.back() == '\n')
                text.pop_back();
            report.failure = text;
            break;
        }
        if (newline == std::string::npos)
            break; // cut off by the end of the child
        const std::string line = received.substr(pos, newline - pos);
        if (line.compare(0, 8, "reading ") == 0)
            report.reading = line.substr(8);
        else if (line == "done")
            report.done = true;
        else if (line == "memory")
            report.outOfMemory = true;
        pos = newline + 1;
    }
    return report;
}

bool readSome(int fd, std::string& received)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, static_cast<std::size_t>(n));
            return true;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return false; // end of the pipe (or an error: nothing more to come either way)
    }
}

} // namespace

void readingMediaFile(const std::string& path)
{
    if (reportPipe >= 0)
        send("reading " + path);
}

bool checkMediaFiles(std::string& error, const MediaCheckLimits& limits, const std::string& directory)
{
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        error = std::string("Error: cannot check the data files: ") + std::strerror(errno) + ".";
        return false;
    }
    // Whatever is still buffered would otherwise be written by both processes.
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid < 0) {
        error = std::string("Error: cannot check the data files: ") + std::strerror(errno) + ".";
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return false;
    }
    if (pid == 0) {
        close(pipeEnds[0]);
        runChild(pipeEnds[1], limits, directory);
    }
    close(pipeEnds[1]);

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(limits.seconds);
    const std::size_t residentBound = limits.memoryBytes + statmBytes(0, 1) + (std::size_t{512} << 20);
    std::string received;
    bool pipeOpen = true;
    bool timedOut = false;
    bool tooBig = false;
    int status = 0;
    for (;;) {
        struct pollfd reading = {pipeEnds[0], POLLIN, 0};
        if (pipeOpen && poll(&reading, 1, 20) > 0)
            pipeOpen = readSome(pipeEnds[0], received);
        else if (!pipeOpen)
            poll(nullptr, 0, 5);
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid || (ended < 0 && errno != EINTR))
            break;
        timedOut = Clock::now() >= deadline;
        tooBig = SANITIZED && statmBytes(pid, 1) > residentBound;
        if (timedOut || tooBig) {
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
    }
    // The child has ended: what it wrote is all in the pipe.
    while (pipeOpen)
        pipeOpen = readSome(pipeEnds[0], received);
    close(pipeEnds[0]);

    const Report report = parse(received);
    const std::string& file = report.reading;
    if (timedOut) {
        error = "Error: the engine was still reading " + file + " after " + std::to_string(limits.seconds) + " s.";
    } else if (tooBig || report.outOfMemory) {
        error = "Error: the engine ran out of memory (" + std::to_string(limits.memoryBytes >> 20)
            + " MB) while reading " + file + ".";
    } else if (!report.failure.empty()) {
        error = report.failure;
    } else if (WIFSIGNALED(status)) {
        error = "Error: the engine crashed (signal " + std::to_string(WTERMSIG(status)) + ") while reading " + file + ".";
    } else if (!report.done || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "Error: the engine stopped (exit status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1)
            + ") while reading " + file + ".";
    } else {
        return true;
    }
    return false;
}

} // namespace modules
