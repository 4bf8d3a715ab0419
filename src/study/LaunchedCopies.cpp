#include "study/LaunchedCopies.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

namespace modules {

namespace {

// A variable's whole value as a count; false when unset or not a plain number.
bool readCount(const EnvironmentLookup& lookup, const char* name, unsigned long& value)
{
    const char* text = lookup(name);
    if (!text || *text < '0' || *text > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(text, &end, 10);
    return errno == 0 && *end == '\0' && value < UINT_MAX;
}

} // namespace

unsigned launchedCopies(const EnvironmentLookup& lookup)
{
    // Each launcher's count of copies and number of this copy (from 0), the innermost first:
    // mpirun inside a Slurm job leaves the job step's variables beside its own. Not
    // SLURM_NTASKS: a job script, one process, finds the whole job's count there. PMIx
    // gives no count, but copy 2 has two beside it.
    const std::pair<const char*, const char*> launchers[] = {{"OMPI_COMM_WORLD_SIZE", "OMPI_COMM_WORLD_RANK"},
                                                             {"PMI_SIZE", "PMI_RANK"},
                                                             {"SLURM_STEP_NUM_TASKS", "SLURM_PROCID"},
                                                             {nullptr, "PMIX_RANK"}};
    for (const auto& [countName, numberName] : launchers) {
        unsigned long count = 0;
        unsigned long number = 0;
        const bool counted = countName && readCount(lookup, countName, count);
        const bool numbered = readCount(lookup, numberName, number);
        if (counted || numbered)
            return static_cast<unsigned>(std::max({1UL, count, number + 1}));
    }
    return 1;
}

std::string unconnectedCopiesError(unsigned copies, bool builtWithMpi)
{
    return "Error: kinetarium-study was started as " + std::to_string(copies) + " copies (by mpirun or srun), " +
           (builtWithMpi ? "but without MPI between them (srun needs --mpi=pmix)"
                         : "but this build has no MPI to share a study between them") +
           "; each would make the whole study into the same folder. Start one copy (--jobs N makes N runs at a time).";
}

} // namespace modules
