#pragma once

#include "evolution/EvolutionParams.h"

#include <string>

namespace modules {

// What keeps a saved run from continuing with other parameters: the first conflict, in the
// order the task (a run resumes only on its own), the saved genomes' shape, the method, then
// a value the method's saved state fixes.
struct ResumeConflict {
    enum Kind { NONE, SHAPE, METHOD, FIXED_VALUE, TASK };
    Kind kind = NONE;
    std::string option; // without dashes: "task", "hidden-neurons", "method", "sigma", ...
    std::string why;    // FIXED_VALUE: the reason, with the saved value
};

// One check for every way a run is continued (the window's Start, kinetarium-batch --load),
// each of which words the conflict its own way.
ResumeConflict resumeConflict(const EvolutionParams& saved, const EvolutionParams& wanted);

} // namespace modules
