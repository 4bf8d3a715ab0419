#pragma once

namespace modules {

// kinetarium-study under mpirun (or srun): rank 0 runs the study and hands out the runs,
// one at a time as a rank's slot becomes free; the other ranks make them (--jobs at a
// time, 1 by default) and send back each CSV, which rank 0 writes. Started without an MPI
// launcher, or on one rank, it is the plain study with --jobs; as several copies that MPI
// does not connect, it refuses (status 2).
int runStudyProgramMpi(int argc, char** argv);

} // namespace modules
