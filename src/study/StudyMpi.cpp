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
#include <deque>
#include <list>
#include <map>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace modules {

namespace {

// Worker to rank 0: a free slot, with the result of the slot's last run if it had one.
constexpr int TAG_READY = 1;
// Rank 0 to worker: a run to make (see encodeAssignment), or nothing: the slot closes.
constexpr int TAG_ASSIGN = 2;
// Rank 0 to worker: the study is interrupted; stop the runs under way.
constexpr int TAG_STOP = 3;

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

// What a worker needs to make a run, so that only rank 0 need know the plan (a later stage's
// runs are decided there): "INDEX\0GENERATIONS\0STEM\0ARGUMENT\0...", the arguments of
// kinetarium-batch without the "--csv" pair. No argument holds a NUL.
struct Assignment {
    long long index = -1;
    long long generations = 0;
    std::string stem;
    std::vector<std::string> arguments;
};

std::string encodeAssignment(const StudyPlan& plan, std::size_t index)
{
    const StudyRun& run = plan.runs[index];
    std::vector<std::string> arguments = batchArguments(plan, run, "");
    arguments.resize(arguments.size() - 2); // the "--csv" pair: the worker writes where it likes
    std::string text = std::to_string(index) + '\0' + std::to_string(plan.generations) + '\0';
    text += runStem(plan, run) + '\0';
    for (const std::string& argument : arguments)
        text += argument + '\0';
    return text;
}

Assignment decodeAssignment(const std::string& text)
{
    std::vector<std::string> fields;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\0', start);
        fields.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    Assignment assignment;
    if (fields.size() < 3)
        return assignment; // cannot happen between ranks of the same program
    assignment.index = std::atoll(fields[0].c_str());
    assignment.generations = std::atoll(fields[1].c_str());
    assignment.stem = fields[2];
    assignment.arguments.assign(fields.begin() + 3, fields.end());
    return assignment;
}

// The whole message of `tag` that `status` (of a probe) saw arrive.
std::string receive(const MPI_Status& status, int tag)
{
    int size = 0;
    MPI_Get_count(&status, MPI_CHAR, &size);
    std::string payload(static_cast<std::size_t>(size), '\0');
    MPI_Recv(payload.data(), size, MPI_CHAR, status.MPI_SOURCE, tag, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    return payload;
}

void sendReady(const std::string& payload)
{
    MPI_Send(payload.data(), static_cast<int>(payload.size()), MPI_CHAR, 0, TAG_READY, MPI_COMM_WORLD);
}

// Rank 0's side. Between calls of execute (one per stage of a study) the free slots wait:
// their requests stay unanswered in `idle`, and the next call answers them first.
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
        std::size_t running = 0; // handed out by this call, not yet reported
        for (;;) {
            if (studyStopRequested() && !stopSent) {
                // Every worker stops its runs under way and reports them as interrupted.
                const int stop = 1;
                for (std::size_t rank = 1; rank < openOf.size(); ++rank)
                    if (openOf[rank] > 0)
                        MPI_Send(&stop, 1, MPI_INT, static_cast<int>(rank), TAG_STOP, MPI_COMM_WORLD);
                stopSent = true;
            }
            while (!studyStopRequested() && next < pending.size() && !idle.empty()) {
                // Sent without waiting: the worker may be sending a long CSV to us meanwhile.
                sends.emplace_back(encodeAssignment(plan, pending[next++]), MPI_REQUEST_NULL);
                std::pair<std::string, MPI_Request>& send = sends.back();
                MPI_Isend(send.first.data(), static_cast<int>(send.first.size()), MPI_CHAR, idle.front(), TAG_ASSIGN,
                          MPI_COMM_WORLD, &send.second);
                idle.pop_front();
                ++running;
                progress.started();
            }
            if (running == 0 && (next == pending.size() || studyStopRequested()))
                return !studyStopRequested();
            sends.remove_if([](std::pair<std::string, MPI_Request>& send) {
                int sent = 0;
                MPI_Test(&send.second, &sent, MPI_STATUS_IGNORE);
                return sent != 0;
            });
            int arrived = 0;
            MPI_Status status;
            MPI_Iprobe(MPI_ANY_SOURCE, TAG_READY, MPI_COMM_WORLD, &arrived, &status);
            if (!arrived) {
                // Polling with a pause: a blocking receive would spin a core that the runs need.
                usleep(5000);
                progress.tick();
                continue;
            }
            const std::string payload = receive(status, TAG_READY);
            idle.push_back(status.MPI_SOURCE);
            long long index = -1;
            RunOutcome outcome;
            std::string csv;
            if (payload.empty() || !decodeResult(payload, index, outcome, csv) || index < 0 ||
                static_cast<std::size_t>(index) >= plan.runs.size())
                continue; // a slot's first request (anything else cannot happen between our ranks)
            --running;
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
    }

    // Closes every slot, the waiting ones and those not heard from yet (a study that ended
    // before handing out anything: nothing missing, a refused folder), so that the workers end.
    void release()
    {
        while (slotsOpen > 0) {
            int rank = 0;
            if (!idle.empty()) {
                rank = idle.front();
                idle.pop_front();
            } else {
                MPI_Status status;
                MPI_Probe(MPI_ANY_SOURCE, TAG_READY, MPI_COMM_WORLD, &status);
                receive(status, TAG_READY);
                rank = status.MPI_SOURCE;
            }
            MPI_Send(nullptr, 0, MPI_CHAR, rank, TAG_ASSIGN, MPI_COMM_WORLD);
            --slotsOpen;
            --openOf[static_cast<std::size_t>(rank)];
        }
        for (std::pair<std::string, MPI_Request>& send : sends)
            MPI_Wait(&send.second, MPI_STATUS_IGNORE);
        sends.clear();
    }

private:
    long long slotsOpen;
    std::vector<long long> openOf; // by rank
    std::deque<int> idle;          // ranks, one entry per free slot whose request waits
    bool stopSent = false;         // once: each worker listens for one stop
    std::list<std::pair<std::string, MPI_Request>> sends; // assignments under way, with their buffers
};

// A worker rank: asks for a run per free slot, makes it with kinetarium-batch in a folder
// of its own (the nodes of a cluster need not share a disk), sends back its CSV. Stopped
// by rank 0 or by a signal of its own, it stops its runs, reports them as interrupted and
// leaves nothing behind.
int runWorker(unsigned slots)
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

    std::map<pid_t, Assignment> running; // stems within the scratch folder
    unsigned open = slots;
    for (unsigned i = 0; i < slots; ++i)
        sendReady("");
    while (open > 0) {
        if (!stopping) {
            int stopArrived = 0;
            MPI_Test(&stopRequest, &stopArrived, MPI_STATUS_IGNORE);
            if (stopArrived || studyStopRequested()) {
                stopping = true;
                for (const auto& child : running)
                    kill(child.first, SIGTERM);
            }
        }
        // Assignments are polled for, not waited for: a free slot may wait long (for rank 0
        // to decide a next stage) while the other slots' runs go on.
        int arrived = 0;
        MPI_Status message;
        MPI_Iprobe(0, TAG_ASSIGN, MPI_COMM_WORLD, &arrived, &message);
        if (arrived) {
            Assignment assignment = decodeAssignment(receive(message, TAG_ASSIGN));
            if (assignment.index < 0) {
                --open;
                continue;
            }
            RunOutcome outcome;
            if (stopping) {
                outcome.interrupted = true;
                sendReady(encodeResult(assignment.index, outcome, ""));
                continue;
            }
            assignment.stem = scratch + "/" + assignment.stem;
            std::vector<std::string> arguments = assignment.arguments;
            arguments.push_back("--csv");
            arguments.push_back(assignment.stem + ".csv");
            const pid_t pid = spawnProcess(batch, arguments, assignment.stem + ".log", outcome.error);
            if (pid < 0) {
                std::remove((assignment.stem + ".log").c_str());
                sendReady(encodeResult(assignment.index, outcome, ""));
                continue;
            }
            running[pid] = std::move(assignment);
            continue;
        }
        int status = 0;
        const pid_t pid = running.empty() ? 0 : waitpid(-1, &status, WNOHANG);
        if (pid == 0 || (pid < 0 && errno == EINTR)) {
            // Polling with a pause: the assignments, the stop message and the runs are all waited for.
            usleep(5000);
            continue;
        }
        if (pid < 0) {
            // Runs tracked but no child to wait for: their results are lost, so they failed.
            RunOutcome lost;
            lost.error = std::string("Error: the run's process was lost: ") + std::strerror(errno);
            for (const auto& child : running) {
                std::remove((child.second.stem + ".log").c_str());
                std::remove((child.second.stem + ".csv").c_str());
                sendReady(encodeResult(child.second.index, lost, ""));
            }
            running.clear();
            continue;
        }
        const auto child = running.find(pid);
        if (child == running.end())
            continue;
        const Assignment done = std::move(child->second);
        running.erase(child);
        const RunOutcome outcome =
            judgeRun(status, done.stem + ".log", done.stem + ".csv", done.generations, stopping);
        std::string csv;
        if (outcome.done)
            readWholeFile(done.stem + ".csv", csv);
        std::remove((done.stem + ".csv").c_str());
        sendReady(encodeResult(done.index, outcome, csv));
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
        // Every rank reads the options, for --jobs; rank 0 alone reports errors and knows the
        // runs, which it sends to the workers one by one.
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
            status = runWorker(slots);
        }
    }
    MPI_Finalize();
    return status;
}

} // namespace modules
