#include "study/StudyPlan.h"

#include "evolution/ParameterTable.h"
#include "methods/MethodRegistry.h"
#include "tasks/TaskRegistry.h"

#include <algorithm>

namespace modules {

namespace {

// Parameter values hold digits, '.', '/' or a selector's name; '/' cannot be in a file name
// and '~' cannot be in a value, so the names stay distinct.
std::string fileSafe(const std::string& text)
{
    std::string safe = text;
    for (char& c : safe)
        if (c == '/')
            c = '~';
    return safe;
}

// A method option goes only to the runs whose method uses it, a task's option only to the
// runs of tasks that use it, an objective's only to runs of that objective: a study of several
// methods, tasks or objectives gives each its own parameters.
std::vector<std::string> forItsMethodAndTask(const std::vector<std::string>& arguments)
{
    const MethodInfo* method = findMethod(configMethod(arguments));
    std::string task = evolutionTasks().front().name;
    std::string objective = OBJECTIVE_NAMES[0];
    for (std::size_t i = 0; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == "--task")
            task = arguments[i + 1];
        if (arguments[i] == "--objective" && method && methodUses(*method, "objective"))
            objective = arguments[i + 1];
    }
    const std::vector<std::string>& own = methodOptions();
    std::vector<std::string> kept;
    for (std::size_t i = 0; i + 1 < arguments.size(); i += 2) {
        const std::string option = arguments[i].substr(2);
        if (method && std::find(own.begin(), own.end(), option) != own.end() && !methodUses(*method, option))
            continue;
        const ParameterInfo* parameter = findParameter(option);
        if (parameter && (!taskUses(*parameter, task) || !objectiveUses(*parameter, objective)))
            continue;
        kept.push_back(arguments[i]);
        kept.push_back(arguments[i + 1]);
    }
    return kept;
}

} // namespace

std::string configMethod(const std::vector<std::string>& arguments)
{
    std::string name = evolutionMethods().front().name;
    for (std::size_t i = 0; i + 1 < arguments.size(); i += 2)
        if (arguments[i] == "--method")
            name = arguments[i + 1];
    return name;
}

StudyPlan makeStudyPlan(const StudyOptions& options)
{
    StudyPlan plan;
    plan.generations = options.generations;
    for (const VariedParameter& parameter : options.varied)
        plan.variedNames.push_back(parameter.name);

    std::vector<std::string> fixedArguments;
    for (const auto& [name, value] : options.fixed) {
        fixedArguments.push_back("--" + name);
        fixedArguments.push_back(value);
    }

    // Counting through the combinations like an odometer, the last parameter fastest.
    std::vector<std::size_t> index(options.varied.size(), 0);
    for (;;) {
        StudyConfig config;
        config.parameterArguments = fixedArguments;
        for (std::size_t p = 0; p < options.varied.size(); ++p) {
            const VariedParameter& parameter = options.varied[p];
            const std::string& value = parameter.values[index[p]];
            config.values.push_back(value);
            config.name += (p ? "_" : "") + parameter.name + "-" + fileSafe(value);
            config.label += (p ? " " : "") + parameter.name + "=" + value;
            config.parameterArguments.push_back("--" + parameter.name);
            config.parameterArguments.push_back(value);
        }
        config.parameterArguments = forItsMethodAndTask(config.parameterArguments);
        if (options.varied.empty())
            config.name = config.label = "fixed";
        plan.configs.push_back(config);

        std::size_t p = options.varied.size();
        while (p > 0 && ++index[p - 1] == options.varied[p - 1].values.size())
            index[--p] = 0;
        if (p == 0)
            break;
    }

    for (unsigned long long seed = options.firstSeed; seed <= options.lastSeed; ++seed)
        for (std::size_t c = 0; c < plan.configs.size(); ++c)
            plan.runs.push_back({c, static_cast<unsigned>(seed)});
    return plan;
}

std::string runStem(const StudyPlan& plan, const StudyRun& run)
{
    return plan.configs[run.config].name + "-seed" + std::to_string(run.seed);
}

std::vector<std::string> batchArguments(const StudyPlan& plan, const StudyRun& run, const std::string& csvPath)
{
    std::vector<std::string> arguments = plan.configs[run.config].parameterArguments;
    for (const std::string& a : {std::string("--generations"), std::to_string(plan.generations),
                                 std::string("--seed"), std::to_string(run.seed), std::string("--csv"), csvPath})
        arguments.push_back(a);
    return arguments;
}

} // namespace modules
