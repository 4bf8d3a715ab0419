#include "evolution/ResumeCheck.h"

#include "evolution/ParameterTable.h"
#include "methods/MethodRegistry.h"

namespace modules {

ResumeConflict resumeConflict(const EvolutionParams& saved, const EvolutionParams& wanted)
{
    ResumeConflict conflict;
    if (saved.task != wanted.task) {
        conflict.kind = ResumeConflict::TASK;
        conflict.option = "task";
        return conflict;
    }
    // The saved genomes fix their length and their number. Of two such changes the last in
    // the table is named: a network's length says more than a count.
    for (const ParameterInfo& parameter : evolutionParameters())
        if (parameter.fixedByGenomes && saved.*parameter.intField != wanted.*parameter.intField) {
            conflict.kind = ResumeConflict::SHAPE;
            conflict.option = parameter.name();
        }
    if (conflict.kind != ResumeConflict::NONE)
        return conflict;
    if (saved.method != wanted.method) {
        conflict.kind = ResumeConflict::METHOD;
        conflict.option = "method";
        return conflict;
    }
    conflict.option = fixedOptionChanged(saved, wanted, conflict.why);
    if (!conflict.option.empty())
        conflict.kind = ResumeConflict::FIXED_VALUE;
    return conflict;
}

} // namespace modules
