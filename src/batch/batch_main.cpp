#include "batch/BatchRunner.h"

// kinetarium-batch: an evolution without a window. See --help.
int main(int argc, char** argv)
{
    return modules::runBatchProgram(argc, argv);
}
