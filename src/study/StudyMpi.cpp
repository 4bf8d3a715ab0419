#include "study/StudyMpi.h"

#include "core/SafeWrite.h"
#include "study/LaunchedCopies.h"
#include "study/RunCsv.h"
#include "study/StudyProgram.h"

#include "cli/StopSignals.h"

#include <mpi.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace modules {

namespace {

// Worker to rank 0: a free slot, with the result of the slot's last run if it had one.
constexpr int TAG_READY = 1;
// Rank 0 to worker: the index of a run to make, or -1: the slot closes.
constexpr int TAG_ASSIGN = 2;
// Rank 0 to worker: the study is interrupted; stop the runs under way.
constexpr int TAG_STOP = 3;
constexpr long long NO_MORE_RUNS = -1;

bool launchedByMpi()
{
    for (const char* name : {"OMPI_COMM_WORLD_SIZE", "PMIX_RANK", "PMI_RANK", "PMI_SIZE"})
        if (std::getenv(name))
            return true;
    return false;
}

// A result as text: "INDEX\nSTATE\nERROR\nCSV...", STATE d(one), f(ailed) or i(nterrupted).
std::string encodeResult(long long index, const RunOutcome& outcome, const std::string& csv)
{
    std::string error = outcome.error;
    for (char& c : error)
        if (c == '\n')
            c = ' ';
    return std::to_string(index) + "\n" + (outcome.done ? "d" : outcome.interrupted ? "i" : "f") + "\n" + error +
           "\n" + csv;
}

bool decodeResult(const std::string& text, long long& index, RunOutcome& outcome, std::string& csv)
{
    const std::size_t a = text.find('\n');
    const std::size_t b = a == std::string::npos ? a : text.find('\n', a + 1);
    const std::size_t c = b == std::string::npos ? b : text.find('\n', b + 1);
    if (c == std::string::npos)
        return false;
    index = std::atoll(text.substr(0, a).c_str());
    const std::string state = text.substr(a + 1, b - a - 1);
    outcome.done = state == "d";
    outcome.interrupted = state == "i";
    outcome.error = text.substr(b + 1, c - b - 1);
    csv = text.substr(c + 1);
    return true;
}

void sendReady(const std::string& payload)
{
    MPI_Send(payload.data(), static_cast<int>(payload.size()), MPI_CHAR, 0, TAG_READY, MPI_COMM_WORLD);
}

class MpiDispatcher : public RunDispatcher {
public:
    MpiDispatcher(int ranks, unsigned slotsPerWorker)
        : slotsOpen(static_cast<long long>(ranks - 1) * slotsPerWorker)
        , openOf(static_cast<std::size_t>(ranks), slotsPerWorker)
    {
        openOf[0] = 0;
    }

    bool execute(const StudyPlan& plan, const std::string& dir, const std::vector<std::size_t>& pending,
                 StudyProgress& progress, std::map<std::size_t, RunOutcome>& outcomes) override
    {
        std::size_t next = 0;
        bool stopSent = false;
        while (slotsOpen > 0) {
            if (studyStopRequested() && !stopSent) {
                // Every worker still making runs stops them and reports them as interrupted.
                const int stop = 1;
                for (std::size_t rank = 1; rank < openOf.size(); ++rank)
                    if (openOf[rank] > 0)
                        MPI_Send(&stop, 1, MPI_INT, static_cast<int>(rank), TAG_STOP, MPI_COMM_WORLD);
                stopSent = true;
            }
            int arrived = 0;
            MPI_Status status;
            MPI_Iprobe(MPI_ANY_SOURCE, TAG_READY, MPI_COMM_WORLD, &arrived, &status);
            if (!arrived) {
                // Polling with a pause: a blocking receive would spin a core that the runs need.
                usleep(5000);
                progress.tick();
                continue;
            }
            std::string payload = receive(status);
            if (!payload.empty()) {
                long long index = -1;
                RunOutcome outcome;
                std::string csv;
                if (!decodeResult(payload, index, outcome, csv) || index < 0 ||
                    static_cast<std::size_t>(index) >= plan.runs.size())
                    continue; // cannot happen between ranks of the same program
                const std::size_t run = static_cast<std::size_t>(index);
                if (outcome.done) {
                    std::string error;
                    const std::string path = dir + "/runs/" + runStem(plan, plan.runs[run]) + ".csv";
                    if (!writeFileReplacing(path, csv, error)) {
                        outcome.done = false;
                        outcome.error = error;
                    }
                }
                // A worker stopped by a signal of its own: the whole study is being stopped.
                if (outcome.interrupted)
                    requestStudyStop(0);
                outcomes[run] = outcome;
                progress.finished();
                if (!outcome.done && !outcome.interrupted)
                    progress.message(failureLine(plan, run, outcome));
            }
            long long assignment = NO_MORE_RUNS;
            if (!studyStopRequested() && next < pending.size()) {
                assignment = static_cast<long long>(pending[next++]);
                progress.started();
            } else {
                closeSlot(status.MPI_SOURCE);
            }
            MPI_Send(&assignment, 1, MPI_LONG_LONG, status.MPI_SOURCE, TAG_ASSIGN, MPI_COMM_WORLD);
        }
        return !studyStopRequested();
    }

    // Closes every slot still open, when the study ended before handing out anything
    // (nothing missing, a refused folder), so that the workers end too.
    void release()
    {
        while (slotsOpen > 0) {
            MPI_Status status;
            MPI_Probe(MPI_ANY_SOURCE, TAG_READY, MPI_COMM_WORLD, &status);
            receive(status);
            const long long assignment = NO_MORE_RUNS;
            MPI_Send(&assignment, 1, MPI_LONG_LONG, status.MPI_SOURCE, TAG_ASSIGN, MPI_COMM_WORLD);
            closeSlot(status.MPI_SOURCE);
        }
    }

private:
    void closeSlot(int rank)
    {
        --slotsOpen;
        --openOf[static_cast<std::size_t>(rank)];
    }

    static std::string receive(const MPI_Status& status)
    {
        int size = 0;
        MPI_Get_count(&status, MPI_CHAR, &size);
        std::string payload(static_cast<std::size_t>(size), '\0');
        MPI_Recv(payload.data(), size, MPI_CHAR, status.MPI_SOURCE, TAG_READY, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
        return payload;
    }

    long long slotsOpen;
    std::vector<long long> openOf; // by rank
};

// A worker rank: asks for a run per free slot, makes it with kinetarium-batch in a folder
// of its own (the nodes of a cluster need not share a disk), sends back its CSV. Stopped
// by rank 0 or by a signal of its own, it stops its runs, reports them as interrupted and
// leaves nothing behind.
int runWorker(const StudyPlan& plan, unsigned slots)
{
    std::signal(SIGCHLD, SIG_DFL); // see runStudyProgram
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kinetarium-study-XXXXXX";
    const char* folder = mkdtemp(pattern.data());
    const std::string scratch = folder ? folder : ".";
    const std::string batch = batchExecutablePath();
    StopSignals stopSignals(requestStudyStop, false);

    int stopMessage = 0;
    MPI_Request stopRequest;
    MPI_Irecv(&stopMessage, 1, MPI_INT, 0, TAG_STOP, MPI_COMM_WORLD, &stopRequest);
    bool stopping = false;
    auto stemOf = [&](long long index) {
        return scratch + "/" + runStem(plan, plan.runs[static_cast<std::size_t>(index)]);
    };

    std::map<pid_t, long long> running;
    unsigned open = slots;
    int awaited = 0; // requests sent, not yet answered
    for (unsigned i = 0; i < slots; ++i) {
        sendReady("");
        ++awaited;
    }
    while (open > 0) {
        // Rank 0 answers each request as it comes.
        while (awaited > 0) {
            long long assignment = NO_MORE_RUNS;
            MPI_Recv(&assignment, 1, MPI_LONG_LONG, 0, TAG_ASSIGN, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
            --awaited;
            if (assignment == NO_MORE_RUNS) {
                --open;
                continue;
            }
            RunOutcome outcome;
            if (stopping) {
                outcome.interrupted = true;
                sendReady(encodeResult(assignment, outcome, ""));
                ++awaited;
                continue;
            }
            const StudyRun& run = plan.runs[static_cast<std::size_t>(assignment)];
            const std::string stem = stemOf(assignment);
            const pid_t pid = spawnProcess(batch, batchArguments(plan, run, stem + ".csv"), stem + ".log", outcome.error);
            if (pid < 0) {
                std::remove((stem + ".log").c_str());
                sendReady(encodeResult(assignment, outcome, ""));
                ++awaited;
                continue;
            }
            running[pid] = assignment;
        }
        if (running.empty())
            continue;
        if (!stopping) {
            int stopArrived = 0;
            MPI_Test(&stopRequest, &stopArrived, MPI_STATUS_IGNORE);
            if (stopArrived || studyStopRequested()) {
                stopping = true;
                for (const auto& child : running)
                    kill(child.first, SIGTERM);
            }
        }
        int status = 0;
        const pid_t pid = waitpid(-1, &status, WNOHANG);
        if (pid == 0 || (pid < 0 && errno == EINTR)) {
            // Polling with a pause: the stop message and the runs are both waited for.
            usleep(5000);
            continue;
        }
        if (pid < 0) {
            // Runs tracked but no child to wait for: their results are lost, so they failed.
            RunOutcome lost;
            lost.error = std::string("Error: the run's process was lost: ") + std::strerror(errno);
            for (const auto& child : running) {
                std::remove((stemOf(child.second) + ".log").c_str());
                std::remove((stemOf(child.second) + ".csv").c_str());
                sendReady(encodeResult(child.second, lost, ""));
                ++awaited;
            }
            running.clear();
            continue;
        }
        const auto child = running.find(pid);
        if (child == running.end())
            continue;
        const long long index = child->second;
        running.erase(child);
        const std::string stem = stemOf(index);
        const RunOutcome outcome = judgeRun(status, stem + ".log", stem + ".csv", plan.generations, stopping);
        std::string csv;
        if (outcome.done)
            readWholeFile(stem + ".csv", csv);
        std::remove((stem + ".csv").c_str());
        sendReady(encodeResult(index, outcome, csv));
        ++awaited;
    }
    if (folder)
        rmdir(folder);
    if (stopRequest != MPI_REQUEST_NULL) { // no stop came
        MPI_Cancel(&stopRequest);
        MPI_Wait(&stopRequest, MPI_STATUS_IGNORE);
    }
    return studyStopRequested() ? 130 : 0;
}

} // namespace

int runStudyProgramMpi(int argc, char** argv)
{
    if (!launchedByMpi()) {
        // Several copies with no MPI between them (srun without --mpi=pmix): every copy
        // would make the whole study on its own, so all refuse.
        const unsigned copies = launchedCopies(std::getenv);
        if (copies > 1) {
            std::fprintf(stderr, "%s\n", unconnectedCopiesError(copies, true).c_str());
            return 2;
        }
        return runStudyProgram(argc, argv, nullptr);
    }

    MPI_Init(&argc, &argv);
    int rank = 0;
    int ranks = 1;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_size(MPI_COMM_WORLD, &ranks);
    int status = 0;
    if (ranks == 1) {
        status = runStudyProgram(argc, argv, nullptr);
    } else {
        // Every rank reads the same options into the same plan; rank 0 alone reports errors.
        StudyOptions options;
        std::string error;
        const bool parsed = parseStudyOptions(argc, argv, options, error) && !options.help;
        const unsigned slots = options.jobsGiven ? options.jobs : 1;
        if (rank == 0) {
            MpiDispatcher dispatcher(ranks, slots);
            status = runStudyProgram(argc, argv, &dispatcher);
            if (parsed)
                dispatcher.release();
        } else if (parsed) {
            status = runWorker(makeStudyPlan(options), slots);
        }
    }
    MPI_Finalize();
    return status;
}

} // namespace modules
