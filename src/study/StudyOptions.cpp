#include "study/StudyOptions.h"

#include "batch/BatchOptions.h"
#include "cli/CommandLine.h"
#include "cli/OptionValue.h"
#include "evolution/ParameterTable.h"
#include "methods/MethodRegistry.h"
#include "tasks/TaskRegistry.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <functional>
#include <climits>
#include <map>
#include <memory>
#include <set>
#include <thread>

namespace modules {

namespace {

// More runs than this are surely a typing error (and would not fit in memory as a plan).
constexpr unsigned long long MAX_RUNS = 1000000;
constexpr unsigned DEFAULT_TUNING_SEEDS = 5;

// The value checked as kinetarium-batch checks it.
bool checkWithBatch(const std::string& option, const std::string& value, std::string& error)
{
    const std::string program = "kinetarium-batch";
    const char* argv[] = {program.c_str(), option.c_str(), value.c_str()};
    BatchOptions ignored;
    return parseBatchOptions(3, argv, ignored, error);
}

bool readVary(const std::string& text, StudyOptions& options, std::string& error)
{
    const std::size_t equals = text.find('=');
    const std::string name = text.substr(0, equals);
    const std::vector<std::string>& names = batchParameterNames();
    if (equals == std::string::npos || std::find(names.begin(), names.end(), name) == names.end()) {
        std::string list;
        for (const std::string& n : names)
            list += (list.empty() ? "" : ", ") + n;
        error = "Error: --vary needs NAME=V1,V2,... with NAME one of " + list + ", got '" + text + "'";
        return false;
    }
    for (const VariedParameter& parameter : options.varied) {
        if (parameter.name == name) {
            error = "Error: --vary " + name + " is given twice";
            return false;
        }
    }
    VariedParameter parameter;
    parameter.name = name;
    std::size_t start = equals + 1;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string value = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (value.empty()) {
            error = "Error: --vary " + name + " has an empty value in '" + text + "'";
            return false;
        }
        if (std::find(parameter.values.begin(), parameter.values.end(), value) != parameter.values.end()) {
            error = "Error: --vary " + name + " lists '" + value + "' twice";
            return false;
        }
        if (!checkWithBatch("--" + name, value, error))
            return false;
        parameter.values.push_back(value);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    options.varied.push_back(parameter);
    return true;
}

bool readSeeds(const std::string& option, const std::string& text, unsigned& firstSeed, unsigned& lastSeed,
               std::string& error)
{
    const std::string message = "Error: " + option + " needs A-B (seeds A to B, from 0 to " + std::to_string(UINT_MAX) +
                                ") or a count N (seeds 1 to N), got '" + text + "'";
    const std::size_t dash = text.find('-');
    unsigned long long first = 1;
    unsigned long long last = 0;
    if (dash == std::string::npos) {
        if (!isWholeNumber(text, 10)) {
            error = message;
            return false;
        }
        last = std::stoull(text);
    } else {
        const std::string a = text.substr(0, dash);
        const std::string b = text.substr(dash + 1);
        if (!isWholeNumber(a, 10) || !isWholeNumber(b, 10)) {
            error = message;
            return false;
        }
        first = std::stoull(a);
        last = std::stoull(b);
    }
    if (last > UINT_MAX || first > last) {
        error = message;
        return false;
    }
    firstSeed = static_cast<unsigned>(first);
    lastSeed = static_cast<unsigned>(last);
    return true;
}

// The tuning seeds: given, or the five after the compared ones. Never a compared seed: a
// setting chosen on the seeds it is then judged on would be favoured by their luck.
bool readTuning(const CLI::App& app, const std::map<std::string, std::string>& values, StudyOptions& options,
                std::string& error)
{
    options.tune = app.count("--tune") > 0;
    for (const char* option : {"--tune-candidates", "--tune-seeds"}) {
        if (app.count(option) && !options.tune) {
            error = std::string("Error: ") + option + " needs --tune";
            return false;
        }
    }
    if (!options.tune)
        return true;
    if (app.count("--tune-candidates")) {
        const std::string& text = values.at("--tune-candidates");
        if (!isWholeNumber(text, 4) || std::stoul(text) < 2) {
            error = "Error: --tune-candidates needs a whole number from 2 to 9999, got '" + text + "'";
            return false;
        }
        options.tuneCandidates = static_cast<unsigned>(std::stoul(text));
    }
    if (app.count("--tune-seeds")) {
        if (!readSeeds("--tune-seeds", values.at("--tune-seeds"), options.tuneFirstSeed, options.tuneLastSeed, error))
            return false;
        if (options.tuneFirstSeed <= options.lastSeed && options.firstSeed <= options.tuneLastSeed) {
            error = "Error: --tune-seeds must not share a seed with --seeds (" + std::to_string(options.firstSeed) +
                    "-" + std::to_string(options.lastSeed) + ")";
            return false;
        }
    } else {
        if (options.lastSeed > UINT_MAX - DEFAULT_TUNING_SEEDS) {
            error = "Error: no room for the tuning seeds after --seeds; give --tune-seeds A-B";
            return false;
        }
        options.tuneFirstSeed = options.lastSeed + 1;
        options.tuneLastSeed = options.lastSeed + DEFAULT_TUNING_SEEDS;
    }
    return true;
}

bool readGenerations(const std::string& text, StudyOptions& options, std::string& error)
{
    const std::string program = "kinetarium-batch";
    const char* argv[] = {program.c_str(), "--generations", text.c_str()};
    BatchOptions batch;
    if (!parseBatchOptions(3, argv, batch, error))
        return false;
    if (batch.generations < 1) {
        error = "Error: --generations must be at least 1 in a study, got '" + text + "'";
        return false;
    }
    options.generations = batch.generations;
    return true;
}

bool readJobs(const std::string& text, StudyOptions& options, std::string& error)
{
    if (!isWholeNumber(text, 4) || std::stoul(text) < 1) {
        error = "Error: --jobs needs a whole number from 1 to 9999, got '" + text + "'";
        return false;
    }
    options.jobs = static_cast<unsigned>(std::stoul(text));
    options.jobsGiven = true;
    return true;
}

// The values that the study's runs take for `name` (a fixed or a varied one), else `fallback`.
std::vector<std::string> studyValues(const StudyOptions& options, const std::string& name, const std::string& fallback)
{
    for (const VariedParameter& parameter : options.varied)
        if (parameter.name == name)
            return parameter.values;
    for (const auto& [fixed, value] : options.fixed)
        if (fixed == name)
            return {value};
    return {fallback};
}

// An option of some methods' or tasks' own that no run uses would only make runs that differ
// in name: refused, as kinetarium-batch refuses it for its one method and task. `uses` says
// whether a run of `kind` value `value` uses the option; `users` names those that do.
bool checkOwnOptionsUsed(const StudyOptions& options, const char* kind, const std::string& fallback,
                         const std::function<bool(const std::string& option, const std::string& value)>& isOwn,
                         const std::function<bool(const std::string& option, const std::string& value)>& uses,
                         const std::function<std::string(const std::string& option)>& users, std::string& error)
{
    const std::vector<std::string> values = studyValues(options, kind, fallback);
    std::vector<std::pair<std::string, bool>> given; // name, varied
    for (const VariedParameter& parameter : options.varied)
        given.emplace_back(parameter.name, true);
    for (const auto& [name, value] : options.fixed)
        given.emplace_back(name, false);
    for (const auto& [name, varied] : given) {
        if (!isOwn(name, values.front()) ||
            std::any_of(values.begin(), values.end(), [&, &option = name](const std::string& v) { return uses(option, v); }))
            continue;
        std::string list;
        for (const std::string& value : values)
            list += (list.empty() ? "" : ", ") + value;
        const std::string who = users(name);
        error = "Error: " + std::string(varied ? "--vary " : "--") + name + " is used by none of the study's " + kind +
                "s (" + list + "; it is used by " + (who.empty() ? "no " + std::string(kind) : who) + ")";
        return false;
    }
    return true;
}

bool checkMethodOptionsUsed(const StudyOptions& options, std::string& error)
{
    const std::vector<std::string>& own = methodOptions();
    return checkOwnOptionsUsed(
        options, "method", evolutionMethods().front().name,
        [&](const std::string& option, const std::string&) { return std::find(own.begin(), own.end(), option) != own.end(); },
        [](const std::string& option, const std::string& method) {
            const MethodInfo* info = findMethod(method);
            return info && methodUses(*info, option);
        },
        methodsUsing, error);
}

bool checkTaskOptionsUsed(const StudyOptions& options, std::string& error)
{
    return checkOwnOptionsUsed(
        options, "task", evolutionTasks().front().name,
        [](const std::string& option, const std::string&) {
            const ParameterInfo* parameter = findParameter(option);
            return parameter && !parameter->tasks.empty();
        },
        [](const std::string& option, const std::string& task) { return taskUses(*findParameter(option), task); },
        [](const std::string& option) { return tasksUsing(*findParameter(option)); }, error);
}

bool checkObjectiveOptionsUsed(const StudyOptions& options, std::string& error)
{
    return checkOwnOptionsUsed(
        options, "objective", OBJECTIVE_NAMES[0],
        [](const std::string& option, const std::string&) {
            const ParameterInfo* parameter = findParameter(option);
            return parameter && !parameter->objectives.empty();
        },
        [](const std::string& option, const std::string& objective) {
            return objectiveUses(*findParameter(option), objective);
        },
        [](const std::string& option) {
            std::string names;
            for (const std::string& name : findParameter(option)->objectives)
                names += (names.empty() ? "" : ", ") + name;
            return names;
        },
        error);
}

std::unique_ptr<CLI::App> makeParser(const std::string& program, std::map<std::string, std::string>& values,
                                     std::vector<std::string>& varies)
{
    auto app = std::make_unique<CLI::App>(
        "Runs kinetarium-batch over every combination of the varied parameters and a range of\n"
        "seeds, each run in its own process, and summarises the results: run CSVs, summary.csv,\n"
        "comparison.csv, learning-curves.svg in the output folder, and a table at the end.\n"
        "Run it where the media/ folder is (the build directory). Under mpirun, rank 0 hands\n"
        "out the runs to the other ranks and writes the results.",
        program);
    app->get_formatter()->column_width(26);
    app->get_formatter()->label("REQUIRED", "");
    app->set_help_flag();
    auto add = [&](const std::string& name, std::string& target, const std::string& type, const std::string& help,
                   const std::string& group) {
        app->add_option(name, target, help)
            ->type_name(type)
            ->expected(0, 1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
            ->group(group);
    };
    app->add_option("--vary", varies,
                    "run each of these values of a parameter (repeatable;\nevery combination is run)")
        ->type_name("NAME=V1,V2,...")
        ->expected(0, 1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->group("Study");
    add("--seeds", values["--seeds"], "A-B", "seeds A to B, or a count N: 1 to N [10]", "Study");
    add("--generations", values["--generations"], "N", "generations of each run [10]", "Study");
    add("--out", values["--out"], "DIR", "output folder (required); rerun into it to resume", "Study");
    add("--jobs", values["--jobs"], "N", "runs at a time [the number of cores; 1 per\nrank under mpirun]",
        "Study");
    app->add_flag("--tune", "first tune each combination: its method's tunable\nparameters, not given here, are "
                            "searched on the\ntuning seeds; the best setting is then compared")
        ->group("Tuning");
    add("--tune-candidates", values["--tune-candidates"], "N",
        "settings tried per combination, the defaults\nthe first [16]", "Tuning");
    add("--tune-seeds", values["--tune-seeds"], "A-B", "seeds of the tuning runs, apart from --seeds\n[the 5 after them]",
        "Tuning");
    for (const std::string& name : batchParameterNames())
        add("--" + name, values["--" + name], "X", "as in kinetarium-batch, the same in every run",
            "Fixed parameters");
    app->add_flag("-h,--help", "show this text")->group("Study");
    app->footer("Exit status: 0 every run done, 1 a run failed (the summary names it), 2 bad options,\n"
                "130 interrupted (run the same command again to finish).");
    return app;
}

} // namespace

const std::vector<std::string>& batchParameterNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const ParameterInfo& parameter : evolutionParameters()) {
            // The method and the task come before their own parameters, as in
            // kinetarium-batch's help.
            if (parameter.methodOwn && std::find(list.begin(), list.end(), "method") == list.end())
                list.push_back("method");
            if (!taskUses(parameter, evolutionTasks().front().name) && std::find(list.begin(), list.end(), "task") == list.end())
                list.push_back("task");
            list.push_back(parameter.name());
        }
        return list;
    }();
    return names;
}

bool parseStudyOptions(int argc, const char* const* argv, StudyOptions& options, std::string& error)
{
    std::map<std::string, std::string> values;
    std::vector<std::string> varies;
    const auto app = makeParser(argc > 0 && argv[0] ? argv[0] : "kinetarium-study", values, varies);
    switch (parseCommandLine(*app, argc, argv, error)) {
    case CommandLineOutcome::REFUSED:
        return false;
    case CommandLineOutcome::HELP:
        options.help = true;
        return true;
    case CommandLineOutcome::PARSED:
        break;
    }

    for (const std::string& vary : varies)
        if (!readVary(vary, options, error))
            return false;
    for (const std::string& name : batchParameterNames()) {
        if (!app->count("--" + name))
            continue;
        for (const VariedParameter& parameter : options.varied) {
            if (parameter.name == name) {
                error = "Error: --" + name + " is both fixed and varied";
                return false;
            }
        }
        const std::string& value = values["--" + name];
        if (!checkWithBatch("--" + name, value, error))
            return false;
        options.fixed.emplace_back(name, value);
    }
    if (app->count("--seeds") &&
        !readSeeds("--seeds", values["--seeds"], options.firstSeed, options.lastSeed, error))
        return false;
    if (!readTuning(*app, values, options, error))
        return false;
    if (app->count("--generations") && !readGenerations(values["--generations"], options, error))
        return false;
    if (app->count("--jobs") && !readJobs(values["--jobs"], options, error))
        return false;
    if (!options.jobsGiven)
        options.jobs = std::max(1u, std::thread::hardware_concurrency());
    if (!checkMethodOptionsUsed(options, error) || !checkTaskOptionsUsed(options, error)
        || !checkObjectiveOptionsUsed(options, error))
        return false;
    options.outDir = values["--out"];
    if (options.outDir.empty()) {
        error = "Error: --out DIR is required: the folder for the results";
        return false;
    }

    // Each factor is below 2^32 and nothing multiplies a count past the limit: no overflow.
    unsigned long long runs = static_cast<unsigned long long>(options.lastSeed) - options.firstSeed + 1;
    if (options.tune)
        runs += (static_cast<unsigned long long>(options.tuneLastSeed) - options.tuneFirstSeed + 1) *
                std::min<unsigned long long>(options.tuneCandidates, MAX_RUNS);
    for (const VariedParameter& parameter : options.varied) {
        if (runs > MAX_RUNS)
            break;
        runs *= parameter.values.size();
    }
    if (runs > MAX_RUNS) {
        error = "Error: the study would make more than " + std::to_string(MAX_RUNS) + " runs; fewer seeds or values";
        return false;
    }
    return true;
}

std::string studyUsage(const std::string& program)
{
    std::map<std::string, std::string> values;
    std::vector<std::string> varies;
    return makeParser(program, values, varies)->help();
}

} // namespace modules
