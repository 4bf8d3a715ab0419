#pragma once

#include <functional>
#include <string>

namespace modules {

// Reads an environment variable: null when it is not set (std::getenv, or a table in tests).
using EnvironmentLookup = std::function<const char*(const char*)>;

// How many copies of this program a parallel launcher started together (mpirun, mpiexec,
// srun), from what it puts in each copy's environment; 1 when it was started alone, also
// as the single task of a job or `mpirun -np 1`.
unsigned launchedCopies(const EnvironmentLookup& lookup);

// The refusal of a study started as `copies` copies that no MPI connects: without it each
// would make the whole study into the same folder.
std::string unconnectedCopiesError(unsigned copies, bool builtWithMpi);

} // namespace modules
