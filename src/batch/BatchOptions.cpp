#include "batch/BatchOptions.h"

#include "cli/CommandLine.h"
#include "cli/OptionValue.h"
#include "core/Utf8.h"

#include "evolution/InputCheck.h"
#include "evolution/ParameterTable.h"
#include "methods/MethodRegistry.h"
#include "tasks/TaskRegistry.h"

#include <irrlicht.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

namespace modules {

namespace {

// Which methods use a method option, with their defaults: "cmaes [0.3], openai-es [0.1]".
std::string methodDefaults(const std::string& option)
{
    std::string text;
    for (const MethodInfo& method : evolutionMethods()) {
        if (!methodUses(method, option))
            continue;
        std::ostringstream value;
        value << (option == "sigma" ? method.defaultSigma : method.defaultLearningRate);
        text += (text.empty() ? "" : ", ") + std::string(method.name) + " [" + value.str() + "]";
    }
    return text.empty() ? "no method" : text;
}

std::string methodNames(const char* separator)
{
    std::string names;
    for (const MethodInfo& method : evolutionMethods())
        names += (names.empty() ? "" : separator) + std::string(method.name);
    return names;
}

std::string defaultText(const ParameterInfo& option)
{
    const EvolutionParams defaults;
    if (option.intField || option.textField)
        return parameterText(option, defaults);
    std::ostringstream text;
    text << defaults.*option.floatField;
    std::string s = text.str();
    if (s.find('.') == std::string::npos)
        s += ".0";
    return s;
}

// A parameter value by the panel's rules.
bool readNumeric(const ParameterInfo& option, const std::string& value, EvolutionParams& params,
                 std::string& error)
{
    if (option.textField) {
        if (value.empty()) {
            error = std::string("Error: ") + option.option + " needs a file name";
            return false;
        }
        params.*option.textField = value;
        return true;
    }
    // As the panel's text: anything outside ASCII fails the panel's check anyway.
    const irr::core::stringw wide(fromUtf8(value).c_str());
    if (!strIsNumber(wide)) {
        if (value.size() > 1 && value[0] == '-' && strIsNumber(fromUtf8(value.substr(1)).c_str()))
            error = std::string("Error: ") + option.option + " must not be negative (got '" + value + "')";
        else
            error = std::string("Error: ") + option.option + " needs a number of digits and '.', got '" + value + "'";
        return false;
    }
    if (option.floatField) {
        if (!textToFloat(wide, params.*option.floatField)) {
            error = std::string("Error: ") + option.option + " value '" + value + "' is too large for a float";
            return false;
        }
        return true;
    }
    if (!textToInt(wide, params.*option.intField)) {
        error = std::string("Error: ") + option.option + " value '" + value + "' is outside the 32-bit integer range";
        return false;
    }
    return true;
}

bool readGenerations(const std::string& value, long long& generations, std::string& error)
{
    if (value.size() > 1 && value[0] == '-' && isWholeNumber(value.substr(1))) {
        error = "Error: --generations must not be negative (got '" + value + "')";
        return false;
    }
    if (!isWholeNumber(value, 18)) {
        error = "Error: --generations needs a whole number (0: until interrupted), got '" + value + "'";
        return false;
    }
    generations = std::stoll(value);
    return true;
}

bool readSeed(const std::string& value, unsigned& seed, std::string& error)
{
    if (!isWholeNumber(value, 10) || std::stoull(value) > UINT_MAX) {
        error = "Error: --seed needs a whole number from 0 to " + std::to_string(UINT_MAX) + ", got '" + value + "'";
        return false;
    }
    seed = static_cast<unsigned>(std::stoull(value));
    return true;
}

// A named value: its index goes to the parameter's field.
bool readChoice(const ParameterInfo& parameter, const std::string& value, EvolutionParams& params,
                std::string& error)
{
    std::string list;
    for (std::size_t i = 0; i < parameter.choices.size(); ++i) {
        if (value == parameter.choices[i]) {
            params.*parameter.intField = static_cast<int>(i);
            return true;
        }
        list += std::string(i == 0 ? "" : i + 1 == parameter.choices.size() ? " or " : ", ") + "'" +
                parameter.choices[i] + "'";
    }
    error = "Error: " + std::string(parameter.option) + " must be " + list + ", got '" + value + "'";
    return false;
}

std::string choiceList(const ParameterInfo& parameter)
{
    std::string list;
    for (const std::string& choice : parameter.choices)
        list += (list.empty() ? "" : "|") + choice;
    return list;
}

// The parser's description of every option; the values land in `values` as given, to be
// read by the panel's rules afterwards. `values` must outlive the returned parser.
std::unique_ptr<CLI::App> makeParser(const std::string& program, std::map<std::string, std::string>& values)
{
    const BatchOptions defaults;
    auto app = std::make_unique<CLI::App>(
        "Runs an evolution of Kinetarium without a window, on the same simulation as the\n"
        "program's fast mode, and prints each generation's report as the screen log shows it.\n"
        "Data files come from media/ in the working directory, else from the installed\n"
        "share/kinetarium/media beside bin/; KINETARIUM_MEDIA=DIR names another folder.\n"
        "\n"
        "Defaults are in brackets. Evolution parameters take values as the panel accepts them:\n"
        "digits and '.', integers truncated; a number beyond the 32-bit range of its field is refused.\n"
        "An option that the chosen method does not use is refused.",
        program);
    app->get_formatter()->column_width(26);
    app->get_formatter()->label("REQUIRED", "");
    // Added last, so that it is listed after the run options.
    app->set_help_flag();

    const std::string parameters = "Evolution parameters";
    auto add = [&](const std::string& name, const std::string& type, const std::string& help,
                   const std::string& group) {
        app->add_option(name, values[name], help)
            ->type_name(type)
            ->expected(0, 1) // an empty value ("--csv=") gets our own message below
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
            ->group(group);
    };
    // In the panel's order: the selector comes after the elite count.
    // An option that only some methods use says which.
    const auto usedBy = [](const ParameterInfo& parameter) {
        const std::string option = parameter.name();
        const auto& own = methodOptions();
        return std::find(own.begin(), own.end(), option) == own.end() ? std::string() : " (" + methodsUsing(option) + ")";
    };
    // The tasks' own parameters are listed with the task.
    const auto taskOwn = [](const ParameterInfo& option) {
        return !taskUses(option, evolutionTasks().front().name);
    };
    for (const ParameterInfo& option : evolutionParameters())
        if (!option.methodOwn && !taskOwn(option))
            add(option.option, option.choices.empty() ? "X" : choiceList(option),
                std::string(option.help) + " [" + defaultText(option) + "]" + usedBy(option), parameters);
    std::string methodHelp = "evolution method [" + std::string(evolutionMethods().front().name) + "]:";
    for (const MethodInfo& method : evolutionMethods())
        methodHelp += "\n  " + std::string(method.name) + ": " + method.summary;
    add("--method", methodNames("|"), methodHelp, "Method");
    for (const ParameterInfo& option : evolutionParameters())
        if (option.methodOwn)
            add(option.option, "X", std::string(option.help) + ";\nused by " + methodDefaults(option.name()), "Method");
    std::string taskHelp = "what the vehicles are evolved on [" + std::string(evolutionTasks().front().name) + "]:";
    for (const TaskInfo& task : evolutionTasks())
        taskHelp += "\n  " + std::string(task.name) + ": " + task.summary;
    add("--task", taskNames("|"), taskHelp, "Task");
    for (const ParameterInfo& option : evolutionParameters())
        if (taskOwn(option))
            add(option.option, option.textField ? "FILE" : "X",
                std::string(option.help) + " [" + defaultText(option) + "];\nused by " + tasksUsing(option), "Task");
    add("--generations", "N", "generations to run, 0 until interrupted [" + std::to_string(defaults.generations) + "]",
        "Run");
    add("--seed", "S",
        "seed of the random generator, 0 to 4294967295 [the current\n"
        "time]; printed at the start, so any run can be repeated",
        "Run");
    add("--csv", "FILE",
        "write one row per finished generation: generation,\n"
        "best_fitness, mean_fitness, median_fitness, steps,\n"
        "wall_seconds, species, mean_genome_size (same seed and\n"
        "options: same columns but the wall time)",
        "Run");
    add("--save", "FILE",
        "write the population file when the run ends (also on\n"
        "Ctrl-C, at the last finished generation)",
        "Run");
    add("--checkpoint-every", "N", "with --save: also write it every N generations", "Run");
    add("--load", "FILE",
        "continue the run saved in FILE with its parameters;\n"
        "parameters given here override them, but not those\n"
        "the saved search fixes (cmaes's sigma; the weight\n"
        "range, but for neat)",
        "Run");
    app->add_flag("-h,--help", "show this text")->group("Run");
    app->footer("Options take their value as the next argument or after '=' (--seed=7).\n"
                "Ctrl-C stops after the current simulation step; the CSV then holds every finished\n"
                "generation. Exit status: 0 done, 1 the run failed or was refused, 2 bad options,\n"
                "130 interrupted.");
    return app;
}

// parseBatchOptions without the last touch to its error line.
bool readBatchOptions(int argc, const char* const* argv, BatchOptions& options, std::string& error)
{
    std::map<std::string, std::string> values;
    const std::unique_ptr<CLI::App> app = makeParser(argc > 0 && argv[0] ? argv[0] : "kinetarium-batch", values);
    switch (parseCommandLine(*app, argc, argv, error)) {
    case CommandLineOutcome::REFUSED:
        return false;
    case CommandLineOutcome::HELP:
        options.help = true;
        return true;
    case CommandLineOutcome::PARSED:
        break;
    }

    if (app->count("--method")) {
        if (!chooseMethod(options.params, values["--method"])) {
            error = "Error: --method must be one of " + methodNames(", ") + ", got '" + values["--method"] + "'";
            return false;
        }
        options.paramsGiven.push_back("--method");
    }
    if (app->count("--task")) {
        if (!findTask(values["--task"])) {
            error = "Error: --task must be one of " + taskNames(", ") + ", got '" + values["--task"] + "'";
            return false;
        }
        options.params.task = values["--task"];
        options.paramsGiven.push_back("--task");
    }
    // Named values after the numbers, as the overriding line of a loaded run lists them.
    for (const bool named : {false, true}) {
        for (const ParameterInfo& option : evolutionParameters()) {
            if (option.choices.empty() == named || !app->count(option.option))
                continue;
            const std::string& value = values[option.option];
            if (!(named ? readChoice(option, value, options.params, error)
                        : readNumeric(option, value, options.params, error)))
                return false;
            options.paramsGiven.push_back(option.option);
        }
    }
    if (app->count("--generations") && !readGenerations(values["--generations"], options.generations, error))
        return false;
    if (app->count("--seed")) {
        if (!readSeed(values["--seed"], options.seed, error))
            return false;
        options.seedGiven = true;
    }
    if (app->count("--csv")) {
        options.csvPath = values["--csv"];
        if (options.csvPath.empty()) {
            error = "Error: --csv needs a file name";
            return false;
        }
    }
    for (const auto& [name, path] : {std::pair{"--save", &options.savePath}, std::pair{"--load", &options.loadPath}}) {
        if (!app->count(name))
            continue;
        *path = values[name];
        if (path->empty()) {
            error = std::string("Error: ") + name + " needs a file name";
            return false;
        }
    }
    if (app->count("--checkpoint-every")) {
        const std::string& value = values["--checkpoint-every"];
        if (!isWholeNumber(value, 18) || std::stoll(value) == 0) {
            error = "Error: --checkpoint-every needs a whole number of generations from 1, got '" + value + "'";
            return false;
        }
        options.checkpointEvery = std::stoll(value);
        if (options.savePath.empty()) {
            error = "Error: --checkpoint-every needs --save FILE";
            return false;
        }
    }
    if (!options.loadPath.empty() && options.seedGiven) {
        error = "Error: --seed cannot go with --load: the file holds the generator's state";
        return false;
    }
    return true;
}

} // namespace

bool parseBatchOptions(int argc, const char* const* argv, BatchOptions& options, std::string& error)
{
    if (readBatchOptions(argc, argv, options, error))
        return true;
    // A value holding a line break must not break the one error line.
    error = printable(error);
    return false;
}

EvolutionParams overrideParams(const EvolutionParams& fromFile, const BatchOptions& options,
                               std::vector<std::string>& changed)
{
    EvolutionParams params = fromFile;
    for (const std::string& name : options.paramsGiven) {
        bool differs = false;
        if (name == "--method") {
            differs = params.method != options.params.method;
            params.method = options.params.method;
        }
        if (name == "--task") {
            differs = params.task != options.params.task;
            params.task = options.params.task;
        }
        for (const ParameterInfo& option : evolutionParameters()) {
            if (name != option.option)
                continue;
            if (option.textField) {
                differs = params.*option.textField != options.params.*option.textField;
                params.*option.textField = options.params.*option.textField;
            } else if (option.floatField) {
                differs = params.*option.floatField != options.params.*option.floatField;
                params.*option.floatField = options.params.*option.floatField;
            } else {
                differs = params.*option.intField != options.params.*option.intField;
                params.*option.intField = options.params.*option.intField;
            }
        }
        if (differs)
            changed.push_back(name);
    }
    return params;
}

bool checkMethodOptions(const BatchOptions& options, const std::string& method, std::string& error)
{
    const MethodInfo* chosen = findMethod(method);
    for (const std::string& given : options.paramsGiven) {
        const std::string option = given.substr(2);
        const auto& own = methodOptions();
        if (!chosen || std::find(own.begin(), own.end(), option) == own.end() || methodUses(*chosen, option))
            continue;
        error = "Error: " + given + " is not used by the method " + method + " (it is used by " + methodsUsing(option)
            + ")";
        return false;
    }
    return true;
}

bool checkTaskOptions(const BatchOptions& options, const std::string& task, std::string& error)
{
    for (const std::string& given : options.paramsGiven) {
        const ParameterInfo* parameter = findParameter(given.substr(2));
        if (!parameter || taskUses(*parameter, task))
            continue;
        error = "Error: " + given + " is not used by the task " + task + " (it is used by " + tasksUsing(*parameter) + ")";
        return false;
    }
    return true;
}

bool checkObjectiveOptions(const BatchOptions& options, const EvolutionParams& params, std::string& error)
{
    const std::string objective = OBJECTIVE_NAMES[params.objective == NOVELTY_OBJECTIVE ? NOVELTY_OBJECTIVE : 0];
    for (const std::string& given : options.paramsGiven) {
        const ParameterInfo* parameter = findParameter(given.substr(2));
        if (!parameter || objectiveUses(*parameter, objective))
            continue;
        std::string users;
        for (const std::string& name : parameter->objectives)
            users += (users.empty() ? "" : ", ") + name;
        error = "Error: " + given + " is not used by the objective " + objective + " (it is used by " + users + ")";
        return false;
    }
    return true;
}

std::vector<std::string> taskMeasureNames(const std::string& task)
{
    const TaskInfo* info = findTask(task);
    return info ? info->measureNames : std::vector<std::string>();
}

std::string batchUsage(const std::string& program)
{
    std::map<std::string, std::string> values;
    return makeParser(program, values)->help();
}

} // namespace modules
