#pragma once

#include "study/RunDispatcher.h"
#include "study/StudyOptions.h"

namespace modules {

// The whole study on the controlling process: the output folder, the runs still missing
// (made by `dispatcher`; null: child processes on this machine, --jobs at a time), the
// summary files and the table. Returns the exit status: 0 every run done, 1 a run failed
// or the results could not be written, 2 bad options or an unusable folder, 130 interrupted.
int runStudyProgram(int argc, const char* const* argv, RunDispatcher* dispatcher);

} // namespace modules
