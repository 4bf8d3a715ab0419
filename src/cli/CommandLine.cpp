#include "cli/CommandLine.h"

#include "cli/OptionValue.h"

#include <vector>

namespace modules {

namespace {

bool takesValue(const CLI::App& app, const std::string& name)
{
    if (name.compare(0, 2, "--") != 0 || name == "--help")
        return false;
    const CLI::Option* option = app.get_option_no_throw(name);
    return option != nullptr && option->get_expected_max() > 0; // a flag takes none
}

bool isOptionWord(const CLI::App& app, const std::string& argument)
{
    return argument == "--help" || argument == "-h" || takesValue(app, argument.substr(0, argument.find('=')));
}

} // namespace

namespace {

CommandLineOutcome readCommandLine(CLI::App& app, int argc, const char* const* argv, std::string& error)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--") {
            error = "Error: unexpected argument '--'; --help lists the options";
            return CommandLineOutcome::REFUSED;
        }
        if (argument.find('=') == std::string::npos && takesValue(app, argument)) {
            if (i + 1 >= argc || isOptionWord(app, argv[i + 1])) {
                error = "Error: " + argument + " needs a value";
                return CommandLineOutcome::REFUSED;
            }
            arguments.push_back(argument + "=" + argv[++i]);
        } else {
            arguments.push_back(argument);
        }
    }

    app.allow_extras();
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        error = std::string("Error: ") + e.what();
        return CommandLineOutcome::REFUSED;
    }
    if (app.count("--help"))
        return CommandLineOutcome::HELP;
    const std::vector<std::string> extras = app.remaining();
    if (!extras.empty()) {
        const std::string& first = extras.front();
        if (first.compare(0, 2, "--") == 0 && first.size() > 2)
            error = "Error: unknown option '" + first.substr(0, first.find('=')) + "'; --help lists the options";
        else
            error = "Error: unexpected argument '" + first + "'; --help lists the options";
        return CommandLineOutcome::REFUSED;
    }
    return CommandLineOutcome::PARSED;
}

} // namespace

CommandLineOutcome parseCommandLine(CLI::App& app, int argc, const char* const* argv, std::string& error)
{
    const CommandLineOutcome outcome = readCommandLine(app, argc, argv, error);
    // A word holding a line break must not break the one error line.
    if (outcome == CommandLineOutcome::REFUSED)
        error = printable(error);
    return outcome;
}

} // namespace modules
