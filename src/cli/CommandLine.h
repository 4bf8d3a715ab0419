#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace modules {

// How reading a command line with parseCommandLine ended.
enum class CommandLineOutcome { PARSED, HELP, REFUSED };

// Reads argv (argv[0] is the program) with `app`, every option of which takes a value but
// its "-h,--help" flag. "--name value" is joined into "--name=value" first: the parser
// would take any word that starts with a dash for an option, while a value may start with
// one (a file "--x.csv", or "-5", which deserves its own message); only a word naming one
// of the app's options is not taken for a value ("--seed --csv x" lacks the seed).
// REFUSED comes with one line starting "Error: " in `error` (control characters shown
// escaped): a missing value, a word that is no option, or what the parser itself refuses.
CommandLineOutcome parseCommandLine(CLI::App& app, int argc, const char* const* argv, std::string& error);

} // namespace modules
