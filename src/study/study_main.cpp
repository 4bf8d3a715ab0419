#ifdef KINETARIUM_MPI
#include "study/StudyMpi.h"
#else
#include "study/LaunchedCopies.h"
#include "study/StudyProgram.h"

#include <cstdio>
#include <cstdlib>
#endif

// kinetarium-study: many seeded kinetarium-batch runs over combinations of parameters,
// summarised. See --help.
int main(int argc, char** argv)
{
#ifdef KINETARIUM_MPI
    return modules::runStudyProgramMpi(argc, argv);
#else
    // Under mpirun or srun every copy would make the whole study on its own: all refuse.
    const unsigned copies = modules::launchedCopies(std::getenv);
    if (copies > 1) {
        std::fprintf(stderr, "%s\n", modules::unconnectedCopiesError(copies, false).c_str());
        return 2;
    }
    return modules::runStudyProgram(argc, argv, nullptr);
#endif
}
