// kinetarium-study finds from its environment whether a launcher started it as one of
// several copies; a study built without MPI refuses then (StudyMpi.cpp's is not in this
// build, so the copies are told apart here, launcher by launcher).
#include "study/LaunchedCopies.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

struct LaunchCase {
    const char* name;
    std::map<std::string, std::string> environment;
    unsigned copies;
};

const LaunchCase launchCases[] = {
    {"alone", {{"HOME", "/root"}}, 1},
    {"mpirun -np 3, rank 0", {{"OMPI_COMM_WORLD_SIZE", "3"}, {"OMPI_COMM_WORLD_RANK", "0"}, {"PMIX_RANK", "0"}}, 3},
    {"mpirun -np 1", {{"OMPI_COMM_WORLD_SIZE", "1"}, {"OMPI_COMM_WORLD_RANK", "0"}, {"PMIX_RANK", "0"}}, 1},
    // The orted step of a two-node job stays in the environment; Open MPI's count decides.
    {"mpirun -np 1 in a Slurm job",
     {{"OMPI_COMM_WORLD_SIZE", "1"}, {"SLURM_STEP_NUM_TASKS", "2"}, {"SLURM_PROCID", "1"}},
     1},
    {"mpiexec (PMI), rank 2", {{"PMI_SIZE", "4"}, {"PMI_RANK", "2"}}, 4},
    {"srun --mpi=pmix -n 3", {{"SLURM_STEP_NUM_TASKS", "3"}, {"SLURM_PROCID", "0"}, {"PMIX_RANK", "0"}}, 3},
    {"srun -n 3, rank 2 alone counted", {{"SLURM_PROCID", "2"}}, 3},
    {"srun -n 1", {{"SLURM_STEP_NUM_TASKS", "1"}, {"SLURM_PROCID", "0"}, {"SLURM_NTASKS", "1"}}, 1},
    // The job script itself is one process, whatever the job's number of tasks.
    {"sbatch --ntasks=3 job script", {{"SLURM_NTASKS", "3"}, {"SLURM_NPROCS", "3"}, {"SLURM_PROCID", "0"}}, 1},
    {"PMIx alone, rank 4", {{"PMIX_RANK", "4"}}, 5},
    {"values that are no counts",
     {{"OMPI_COMM_WORLD_SIZE", "3x"}, {"PMI_SIZE", "-2"}, {"SLURM_STEP_NUM_TASKS", ""}, {"PMIX_RANK", "99999999999"}},
     1},
};

TEST(StudyLaunch, CountsTheCopiesEachLauncherStarted)
{
    for (const LaunchCase& c : launchCases) {
        const auto lookup = [&](const char* name) -> const char* {
            const auto found = c.environment.find(name);
            return found == c.environment.end() ? nullptr : found->second.c_str();
        };
        EXPECT_EQ(modules::launchedCopies(lookup), c.copies) << c.name;
    }
    // One line, with the count and what to do instead.
    const std::string line = modules::unconnectedCopiesError(3, false);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_NE(line.find("started as 3 copies"), std::string::npos) << line;
    EXPECT_NE(line.find("no MPI"), std::string::npos) << line;
}

} // namespace
