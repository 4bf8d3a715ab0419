#ifdef KINETARIUM_MPI
#include "study/StudyMpi.h"
#else
#include "study/StudyProgram.h"
#endif

// kinetarium-study: many seeded kinetarium-batch runs over combinations of parameters,
// summarised. See --help.
int main(int argc, char** argv)
{
#ifdef KINETARIUM_MPI
    return modules::runStudyProgramMpi(argc, argv);
#else
    return modules::runStudyProgram(argc, argv, nullptr);
#endif
}
