#include "batch/BatchOptions.h"

#include "evolution/InputCheck.h"

#include <irrlicht.h>

#include <climits>
#include <cstring>
#include <sstream>

namespace modules {

namespace {

// The nine numeric parameters, as the panel's edit boxes hold them.
struct NumericOption {
    const char* name;
    float EvolutionParams::*floatField; // exactly one of the two is set
    int EvolutionParams::*intField;
    const char* help;
};

const NumericOption NUMERIC_OPTIONS[] = {
    {"--generation-time", &EvolutionParams::generationTime, nullptr,
     "length of a generation in simulated seconds (30 steps each)"},
    {"--item-count", nullptr, &EvolutionParams::itemCount, "items in the arena"},
    {"--population-size", nullptr, &EvolutionParams::populationSize, "vehicles, one network each"},
    {"--elite-count", nullptr, &EvolutionParams::eliteCount, "best networks carried over unchanged"},
    {"--crossover-rate", &EvolutionParams::crossoverRate, nullptr, "probability of crossover per pair of parents"},
    {"--mutation-rate", &EvolutionParams::mutationRate, nullptr, "probability of mutation per gene"},
    {"--max-perturbation", &EvolutionParams::maxPerturbation, nullptr, "largest change a mutation makes to a gene"},
    {"--hidden-neurons", nullptr, &EvolutionParams::hiddenNeurons, "neurons in the hidden layer"},
    {"--weight-range", &EvolutionParams::weightRange, nullptr, "scale of the random initial weights"},
};

const char* const SELECTOR_NAMES[] = {"roulette", "tournament"};

// Bytes as wide characters: anything outside ASCII fails the panel's check anyway.
irr::core::stringw widen(const std::string& text)
{
    irr::core::stringw wide;
    for (unsigned char c : text)
        wide.append(static_cast<wchar_t>(c));
    return wide;
}

bool isWholeNumber(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::string defaultText(const NumericOption& option)
{
    const EvolutionParams defaults;
    if (option.intField)
        return std::to_string(defaults.*option.intField);
    std::ostringstream text;
    text << defaults.*option.floatField;
    std::string s = text.str();
    if (s.find('.') == std::string::npos)
        s += ".0";
    return s;
}

// A parameter value by the panel's rules.
bool readNumeric(const NumericOption& option, const std::string& value, EvolutionParams& params,
                 std::string& error)
{
    const irr::core::stringw wide = widen(value);
    if (!strIsNumber(wide)) {
        if (value.size() > 1 && value[0] == '-' && strIsNumber(widen(value.substr(1))))
            error = std::string("Error: ") + option.name + " must not be negative (got '" + value + "')";
        else
            error = std::string("Error: ") + option.name + " needs a number of digits and '.', got '" + value + "'";
        return false;
    }
    if (option.floatField) {
        params.*option.floatField = textToFloat(wide);
        return true;
    }
    if (!textToInt(wide, params.*option.intField)) {
        error = std::string("Error: ") + option.name + " value '" + value + "' is outside the 32-bit integer range";
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
    if (!isWholeNumber(value) || value.size() > 18) {
        error = "Error: --generations needs a whole number (0: until interrupted), got '" + value + "'";
        return false;
    }
    generations = std::stoll(value);
    return true;
}

bool readSeed(const std::string& value, unsigned& seed, std::string& error)
{
    if (!isWholeNumber(value) || value.size() > 10 || std::stoull(value) > UINT_MAX) {
        error = "Error: --seed needs a whole number from 0 to " + std::to_string(UINT_MAX) + ", got '" + value + "'";
        return false;
    }
    seed = static_cast<unsigned>(std::stoull(value));
    return true;
}

bool readSelector(const std::string& value, int& selectorType, std::string& error)
{
    for (int i = 0; i < 2; ++i) {
        if (value == SELECTOR_NAMES[i]) {
            selectorType = i;
            return true;
        }
    }
    error = "Error: --selector must be 'roulette' or 'tournament', got '" + value + "'";
    return false;
}

} // namespace

bool parseBatchOptions(int argc, const char* const* argv, BatchOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            return true;
        }
        if (argument.size() < 3 || argument.compare(0, 2, "--") != 0) {
            error = "Error: unexpected argument '" + argument + "'; --help lists the options";
            return false;
        }

        // --name value or --name=value
        std::string name = argument;
        std::string value;
        bool hasValue = false;
        const size_t equals = argument.find('=');
        if (equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
            hasValue = true;
        }

        const NumericOption* numeric = nullptr;
        for (const NumericOption& option : NUMERIC_OPTIONS)
            if (name == option.name)
                numeric = &option;
        const bool known = numeric || name == "--selector" || name == "--generations" || name == "--seed"
            || name == "--csv";
        if (!known) {
            error = "Error: unknown option '" + name + "'; --help lists the options";
            return false;
        }
        if (!hasValue) {
            // A following option is not taken for a value: "--seed --csv x" lacks the seed.
            if (i + 1 >= argc || std::strncmp(argv[i + 1], "--", 2) == 0) {
                error = "Error: " + name + " needs a value";
                return false;
            }
            value = argv[++i];
        }

        bool ok = true;
        if (numeric)
            ok = readNumeric(*numeric, value, options.params, error);
        else if (name == "--selector")
            ok = readSelector(value, options.params.selectorType, error);
        else if (name == "--generations")
            ok = readGenerations(value, options.generations, error);
        else if (name == "--seed") {
            ok = readSeed(value, options.seed, error);
            options.seedGiven = ok;
        } else { // --csv
            if (value.empty()) {
                error = "Error: --csv needs a file name";
                ok = false;
            }
            options.csvPath = value;
        }
        if (!ok)
            return false;
    }
    return true;
}

std::string batchUsage(const std::string& program)
{
    const BatchOptions defaults;
    std::ostringstream text;
    text << "Usage: " << program << " [options]\n"
         << "\n"
         << "Runs an evolution of Kinetarium without a window, on the same simulation as the\n"
         << "program's fast mode, and prints each generation's report as the screen log shows it.\n"
         << "Run it where the media/ folder is (the build directory).\n"
         << "\n"
         << "Evolution parameters (default in brackets; values as the panel accepts them: digits\n"
         << "and '.', integers truncated, a number too large for a float becomes infinity):\n";
    // In the panel's order: the selector comes after the elite count.
    for (const NumericOption& option : NUMERIC_OPTIONS) {
        if (option.floatField == &EvolutionParams::crossoverRate)
            text << "  --selector roulette|tournament\n"
                 << "                          how parents are selected [roulette]\n";
        std::string left = std::string("  ") + option.name + " X";
        left.resize(26, ' ');
        text << left << option.help << " [" << defaultText(option) << "]\n";
    }
    text << "\n"
         << "Run:\n"
         << "  --generations N         generations to run, 0 until interrupted [" << defaults.generations << "]\n"
         << "  --seed S                seed of the random generator, 0 to 4294967295 [the current\n"
         << "                          time]; printed at the start, so any run can be repeated\n"
         << "  --csv FILE              write one row per finished generation: generation,\n"
         << "                          best_fitness, mean_fitness, median_fitness, steps,\n"
         << "                          wall_seconds (same seed and options: same fitness columns)\n"
         << "  --help                  show this text\n"
         << "\n"
         << "Options take their value as the next argument or after '=' (--seed=7).\n"
         << "Ctrl-C stops after the current simulation step; the CSV then holds every finished\n"
         << "generation. Exit status: 0 done, 1 the run failed or was refused, 2 bad options,\n"
         << "130 interrupted.\n";
    return text.str();
}

} // namespace modules
