#include "evolution/PopulationFile.h"

#include "core/SafeWrite.h"
#include "evolution/RunLimits.h"
#include "methods/MethodRegistry.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace modules {

using nlohmann::json;

namespace {

const char* const SELECTOR_NAMES[] = {"roulette", "tournament"};

// Far above the largest file the run limits allow (20 million genes of some 25 characters).
constexpr std::uintmax_t MAX_FILE_BYTES = 1ULL << 30;

// A problem with the file's content; its text ends up in the one error line.
struct BadFile : std::runtime_error {
    using std::runtime_error::runtime_error;
};

const json& member(const json& object, const char* key, const std::string& where)
{
    const auto found = object.find(key);
    if (found == object.end())
        throw BadFile(where + "has no \"" + key + "\"");
    return *found;
}

long long wholeNumber(const json& value, const std::string& name, long long lowest, long long highest)
{
    if (!value.is_number_integer())
        throw BadFile(name + " is not a whole number");
    if (value.is_number_unsigned() ? value.get<unsigned long long>() > static_cast<unsigned long long>(highest)
                                   : value.get<long long>() < lowest || value.get<long long>() > highest)
        throw BadFile(name + " is " + value.dump() + ", outside " + std::to_string(lowest) + " to "
                      + std::to_string(highest));
    return value.is_number_unsigned() ? static_cast<long long>(value.get<unsigned long long>()) : value.get<long long>();
}

double finiteDouble(const json& value, const std::string& name)
{
    if (!value.is_number())
        throw BadFile(name + " is not a number");
    const double number = value.get<double>();
    if (!std::isfinite(number))
        throw BadFile(name + " is not a finite number");
    return number;
}

float finiteFloat(const json& value, const std::string& name)
{
    const float number = static_cast<float>(finiteDouble(value, name));
    if (!std::isfinite(number))
        throw BadFile(name + " is not a finite number (too large for a float)");
    return number;
}

void readParams(const json& object, EvolutionParams& params)
{
    if (!object.is_object())
        throw BadFile("\"parameters\" is not an object");
    const std::string in = "\"parameters\" ";
    const auto floatField = [&](const char* key) { return finiteFloat(member(object, key, in), std::string("\"") + key + "\""); };
    const auto countField = [&](const char* key, long long lowest) {
        return static_cast<int>(wholeNumber(member(object, key, in), std::string("\"") + key + "\"", lowest, INT_MAX));
    };
    params.generationTime = floatField("generation_time");
    params.itemCount = countField("item_count", 0);
    params.populationSize = countField("population_size", 1);
    params.eliteCount = countField("elite_count", 0);
    const json& selector = member(object, "selector", in);
    params.selectorType = -1;
    for (int i = 0; i < 2; ++i)
        if (selector.is_string() && selector.get<std::string>() == SELECTOR_NAMES[i])
            params.selectorType = i;
    if (params.selectorType < 0)
        throw BadFile("\"selector\" is not \"roulette\" or \"tournament\"");
    params.crossoverRate = floatField("crossover_rate");
    params.mutationRate = floatField("mutation_rate");
    params.maxPerturbation = floatField("max_perturbation");
    params.hiddenNeurons = countField("hidden_neurons", 0);
    params.weightRange = floatField("weight_range");
    for (float value : {params.generationTime, params.crossoverRate, params.mutationRate, params.maxPerturbation,
                        params.weightRange})
        if (value < 0.0f)
            throw BadFile("a parameter is negative");

    const std::wstring refusal = checkRunLimits(params);
    if (!refusal.empty()) {
        std::string text;
        for (wchar_t c : refusal.substr(refusal.find(L':') + 2))
            text += (c > 0 && c < 0x80) ? static_cast<char>(c) : '?';
        if (!text.empty() && text.back() == '.')
            text.pop_back();
        throw BadFile("beyond the run limits: " + text);
    }
}

// The method's part of a file: {"name", "parameters", "state"}. The state is checked by the
// method itself, restored into a method built for these parameters.
void readMethodSection(const json& section, SavedRun& run)
{
    if (!section.is_object())
        throw BadFile("\"method\" is not an object");
    const json& name = member(section, "name", "\"method\" ");
    const MethodInfo* method = name.is_string() ? findMethod(name.get<std::string>()) : nullptr;
    if (!method)
        throw BadFile("the method " + name.dump() + " is not one this program knows");
    EvolutionParams& params = run.params;
    params.method = method->name;
    const json& parameters = member(section, "parameters", "\"method\" ");
    if (!parameters.is_object())
        throw BadFile("the method's \"parameters\" is not an object");
    // Keys as the ten parameters' ("learning_rate"); the option names have dashes.
    const auto methodParameter = [&](const char* key, float& value) {
        value = 0.0f;
        std::string option = key;
        std::replace(option.begin(), option.end(), '_', '-');
        if (!methodUses(*method, option))
            return;
        value = finiteFloat(member(parameters, key, "the method's \"parameters\" "), std::string("\"") + key + "\"");
        if (value < 0.0f)
            throw BadFile(std::string("\"") + key + "\" is negative");
    };
    methodParameter("sigma", params.sigma);
    methodParameter("learning_rate", params.learningRate);

    run.methodState = member(section, "state", "\"method\" ");
    std::string reason;
    bool fits = false;
    try {
        fits = method->make(networkShape(params), params, run.seed, true)->restore(run.methodState, reason);
    } catch (const std::exception& e) {
        reason = e.what(); // parameters the method refuses
    }
    if (!fits)
        throw BadFile("the " + std::string(method->name) + " state does not fit: " + reason);
}

json methodSection(const SavedRun& run)
{
    const MethodInfo* method = findMethod(run.params.method);
    json parameters = json::object();
    if (method && methodUses(*method, "sigma"))
        parameters["sigma"] = run.params.sigma;
    if (method && methodUses(*method, "learning-rate"))
        parameters["learning_rate"] = run.params.learningRate;
    nlohmann::ordered_json section;
    section["name"] = run.params.method;
    section["parameters"] = parameters;
    section["state"] = run.methodState;
    return section;
}

SavedRun readRun(const json& root)
{
    if (!root.is_object())
        throw BadFile("not a Kinetarium population file (no \"format\": \"" + std::string(POPULATION_FORMAT) + "\")");
    const auto format = root.find("format");
    if (format == root.end() || !format->is_string() || format->get<std::string>() != POPULATION_FORMAT)
        throw BadFile("not a Kinetarium population file (no \"format\": \"" + std::string(POPULATION_FORMAT) + "\")");
    const json& version = member(root, "version", "the file ");
    const long long number = wholeNumber(version, "\"version\"", 1, LLONG_MAX);
    if (number > POPULATION_FORMAT_VERSION)
        throw BadFile("format version " + std::to_string(number) + " is newer than this program reads (version "
                      + std::to_string(POPULATION_FORMAT_VERSION) + ")");

    SavedRun run;
    readParams(member(root, "parameters", "the file "), run.params);
    run.seed = static_cast<unsigned>(wholeNumber(member(root, "seed", "the file "), "\"seed\"", 0, UINT_MAX));
    run.generation = static_cast<int>(wholeNumber(member(root, "generation", "the file "), "\"generation\"", 0, INT_MAX));

    const json& state = member(root, "random_state", "the file ");
    if (!state.is_array() || state.size() != RANDOM_STATE_WORDS)
        throw BadFile("the generator state (\"random_state\") is not " + std::to_string(RANDOM_STATE_WORDS)
                      + " numbers" + (state.is_array() ? " (it has " + std::to_string(state.size()) + ")" : ""));
    for (int i = 0; i < RANDOM_STATE_WORDS; ++i)
        run.randomState[static_cast<size_t>(i)] = static_cast<std::uint32_t>(
            wholeNumber(state[static_cast<size_t>(i)], "\"random_state\" word " + std::to_string(i), 0, UINT32_MAX));
    if (!isValidRandomState(run.randomState))
        throw BadFile("\"random_state\" is not a state of the generator (word 0 is "
                      + std::to_string(run.randomState[0]) + ")");

    if (number >= 2) {
        readMethodSection(member(root, "method", "the file "), run);
    } else {
        // Version 1: the genetic algorithm's genomes at the top level.
        std::vector<std::vector<float>> genomesRead;
        const json& genomes = member(root, "genomes", "the file ");
        if (!genomes.is_array())
            throw BadFile("\"genomes\" is not a list");
        if (genomes.size() != static_cast<size_t>(run.params.populationSize))
            throw BadFile(std::to_string(genomes.size()) + " genomes for a population of "
                          + std::to_string(run.params.populationSize));
        const size_t genes = 7 * static_cast<size_t>(run.params.hiddenNeurons) + 6;
        genomesRead.reserve(genomes.size());
        for (size_t i = 0; i < genomes.size(); ++i) {
            const json& genome = genomes[i];
            const std::string name = "genome " + std::to_string(i + 1);
            if (!genome.is_array() || genome.size() != genes)
                throw BadFile(name + " has " + (genome.is_array() ? std::to_string(genome.size()) : std::string("no"))
                              + " genes, but " + std::to_string(run.params.hiddenNeurons) + " hidden neurons need "
                              + std::to_string(genes));
            std::vector<float> values;
            values.reserve(genes);
            for (size_t g = 0; g < genes; ++g)
                values.push_back(finiteFloat(genome[g], name + " gene " + std::to_string(g + 1)));
            genomesRead.push_back(std::move(values));
        }
        run.params.method = "ga";
        run.methodState = {{"genomes", std::move(genomesRead)}};
    }

    const json& history = member(root, "history", "the file ");
    if (!history.is_array() || history.size() != static_cast<size_t>(run.generation))
        throw BadFile("\"history\" does not hold one entry for each of the " + std::to_string(run.generation)
                      + " finished generations");
    run.history.reserve(history.size());
    // 4 x h + h x 2 connections and h hidden neurons.
    const double layeredSize = 7.0 * (run.params.hiddenNeurons > 0 ? run.params.hiddenNeurons : 0);
    for (size_t i = 0; i < history.size(); ++i) {
        const std::string name = "history entry " + std::to_string(i + 1);
        if (!history[i].is_object())
            throw BadFile(name + " is not an object");
        GenerationFitness fitness;
        fitness.best = finiteFloat(member(history[i], "best", name + " "), name + " \"best\"");
        fitness.mean = finiteDouble(member(history[i], "mean", name + " "), name + " \"mean\"");
        fitness.median = finiteDouble(member(history[i], "median", name + " "), name + " \"median\"");
        // Files written before the method's sizes were kept: one species of layered networks.
        fitness.genomeSize = layeredSize;
        if (history[i].contains("species")) {
            const json& species = history[i]["species"];
            if (!species.is_number_integer() || species.get<long long>() < 1 || species.get<long long>() > 1000000)
                throw BadFile(name + " \"species\" is not a count from 1 up");
            fitness.species = species.get<int>();
        }
        if (history[i].contains("genome_size")) {
            fitness.genomeSize = finiteDouble(history[i]["genome_size"], name + " \"genome_size\"");
            if (fitness.genomeSize < 0.0)
                throw BadFile(name + " \"genome_size\" is negative");
        }
        run.history.push_back(fitness);
    }
    return run;
}

std::string lineAndColumn(const std::string& text, std::size_t byte)
{
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i + 1 < byte && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string fileError(const std::string& what, const std::string& path, const std::string& reason)
{
    return "Error: cannot " + what + " the population file '" + path + "': " + reason + ".";
}

} // namespace

std::string populationToJson(const SavedRun& run)
{
    const EvolutionParams& p = run.params;
    json parameters = json::object();
    parameters["generation_time"] = p.generationTime;
    parameters["item_count"] = p.itemCount;
    parameters["population_size"] = p.populationSize;
    parameters["elite_count"] = p.eliteCount;
    parameters["selector"] = SELECTOR_NAMES[p.selectorType == 1 ? 1 : 0];
    parameters["crossover_rate"] = p.crossoverRate;
    parameters["mutation_rate"] = p.mutationRate;
    parameters["max_perturbation"] = p.maxPerturbation;
    parameters["hidden_neurons"] = p.hiddenNeurons;
    parameters["weight_range"] = p.weightRange;

    json history = json::array();
    for (const GenerationFitness& entry : run.history)
        history.push_back({{"best", entry.best},
                           {"mean", entry.mean},
                           {"median", entry.median},
                           {"species", entry.species},
                           {"genome_size", entry.genomeSize}});

    // Ordered as written: the format and version first, the long lists last.
    nlohmann::ordered_json root;
    root["format"] = POPULATION_FORMAT;
    root["version"] = POPULATION_FORMAT_VERSION;
    root["parameters"] = parameters;
    root["seed"] = run.seed;
    root["generation"] = run.generation;
    root["random_state"] = run.randomState;
    root["history"] = history;
    root["method"] = methodSection(run);
    // Floats go out as the doubles they convert to exactly, so they read back bit for bit.
    std::string text = root.dump(1);
    text += '\n';
    return text;
}

bool populationFromJson(const std::string& text, SavedRun& run, std::string& reason)
{
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& e) {
        if (text.find_first_not_of(" \t\r\n") == std::string::npos)
            reason = "the file is empty";
        else if (e.byte >= text.size())
            reason = "the file is cut short (its JSON ends early)";
        else
            reason = "not JSON (syntax error at " + lineAndColumn(text, e.byte) + ")";
        return false;
    } catch (const json::exception& e) {
        // A number beyond a double's range ("1e999") stops the parser with its own error.
        const std::string what = e.what();
        reason = "a number in it is not a finite number (" + what.substr(what.find("] ") + 2) + ")";
        return false;
    }
    try {
        SavedRun read = readRun(root);
        run = std::move(read);
        return true;
    } catch (const BadFile& e) {
        reason = e.what();
    } catch (const json::exception& e) {
        reason = std::string("unexpected content (") + e.what() + ")";
    }
    return false;
}

bool writePopulationFile(const std::string& path, const SavedRun& run, std::string& error)
{
    std::string reason;
    if (writeFileSafely(path, populationToJson(run), reason))
        return true;
    error = fileError("write", path, reason);
    return false;
}

bool readPopulationFile(const std::string& path, SavedRun& run, std::string& error)
{
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
        error = fileError("read", path, "no such file");
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error = fileError("read", path, "it is not a regular file");
        return false;
    }
    if (std::filesystem::file_size(path, ec) > MAX_FILE_BYTES) {
        error = fileError("load", path, "the file is larger than 1 GiB");
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf())) {
        // An empty file gives a failed copy too; it is reported as empty below.
        if (!in.is_open()) {
            error = fileError("read", path, std::strerror(errno));
            return false;
        }
    }
    std::string reason;
    if (!populationFromJson(text.str(), run, reason)) {
        error = fileError("load", path, reason);
        return false;
    }
    return true;
}

} // namespace modules
