#include "evolution/PopulationFile.h"

#include "core/SafeWrite.h"
#include "core/Utf8.h"
#include "evolution/ParameterTable.h"
#include "evolution/RunLimits.h"
#include "methods/MethodRegistry.h"
#include "tasks/TaskRegistry.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <new>
#include <sstream>
#include <stdexcept>

namespace modules {

using nlohmann::json;

namespace {

// The words an overflowed gene is written as: JSON has no infinities of its own.
const char* const POSITIVE_INFINITY = "Infinity";
const char* const NEGATIVE_INFINITY = "-Infinity";

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
    // Non-negative numbers come as unsigned ones: both bounds apply to them too.
    const bool outside = value.is_number_unsigned()
        ? value.get<unsigned long long>() > static_cast<unsigned long long>(highest)
            || (lowest > 0 && value.get<unsigned long long>() < static_cast<unsigned long long>(lowest))
        : value.get<long long>() < lowest || value.get<long long>() > highest;
    if (outside)
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

// Version 3 added the task and the tasks' parameters (older files hold item collection runs),
// version 4 the objective, novelty search's and MAP-Elites' parameters.
void readParams(const json& object, EvolutionParams& params, long long version)
{
    if (!object.is_object())
        throw BadFile("\"parameters\" is not an object");
    const std::string in = "\"parameters\" ";
    const auto floatField = [&](const char* key) { return finiteFloat(member(object, key, in), std::string("\"") + key + "\""); };
    const auto countField = [&](const char* key, long long lowest) {
        return static_cast<int>(wholeNumber(member(object, key, in), std::string("\"") + key + "\"", lowest, INT_MAX));
    };
    // The run's own parameters; the methods' step sizes are in the method's section.
    if (version >= 3) {
        const json& task = member(object, "task", in);
        if (!task.is_string() || !findTask(task.get<std::string>()))
            throw BadFile("\"task\" is not one of " + taskNames(", "));
        params.task = task.get<std::string>();
    }
    for (const ParameterInfo& parameter : evolutionParameters()) {
        if (parameter.methodOwn || version < parameter.fileVersion)
            continue;
        const std::string key = parameter.fileKey();
        if (parameter.textField) {
            const json& value = member(object, key.c_str(), in);
            if (!value.is_string() || value.get<std::string>().empty())
                throw BadFile("\"" + key + "\" is not a name");
            params.*parameter.textField = value.get<std::string>();
        } else if (parameter.floatField) {
            params.*parameter.floatField = floatField(key.c_str());
        } else if (parameter.choices.empty()) {
            // A saved run has at least one genome.
            const bool genomes = parameter.intField == &EvolutionParams::populationSize;
            params.*parameter.intField = countField(key.c_str(), genomes ? 1 : 0);
        } else {
            const json& value = member(object, key.c_str(), in);
            const auto& choices = parameter.choices;
            const auto found = value.is_string() ? std::find(choices.begin(), choices.end(), value.get<std::string>())
                                                 : choices.end();
            if (found == choices.end())
                throw BadFile("\"" + key + "\" is not \"" + choices[0] + "\" or \"" + choices[1] + "\"");
            params.*parameter.intField = static_cast<int>(found - choices.begin());
        }
    }
    for (const ParameterInfo& parameter : evolutionParameters())
        if (!parameter.methodOwn && parameter.floatField && params.*parameter.floatField < 0.0f)
            throw BadFile("a parameter is negative");

    const std::wstring refusal = checkRunLimits(params);
    if (!refusal.empty()) {
        std::string text = toUtf8(refusal.substr(refusal.find(L':') + 2).c_str());
        if (!text.empty() && text.back() == '.')
            text.pop_back();
        throw BadFile("beyond the run limits: " + text);
    }
}

// The method's part of a file: {"name", "parameters", "state"}. The genetic algorithm's
// genomes, the one long part of a method's state, stand at the top level as in version 1, where
// they are read and written entry by entry.
void readMethodSection(json& section, SavedRun& run)
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

    member(section, "state", "\"method\" ");
    run.methodState = std::move(section["state"]); // it can be long: moved, not copied
}

// The state is checked by the method itself, restored into a method built for the run's
// parameters.
void checkMethodState(const SavedRun& run)
{
    const MethodInfo* method = findMethod(run.params.method);
    std::string reason;
    bool fits = false;
    try {
        const TaskInfo& task = taskOf(run.params);
        fits = makeMethod(*method, networkShape(run.params, static_cast<int>(task.inputNames.size()), task.outputs),
                          run.params, run.seed, true)
                   ->restore(run.methodState, reason);
    } catch (const std::exception& e) {
        reason = e.what(); // parameters the method refuses
    }
    if (!fits)
        throw BadFile("the " + std::string(method->name) + " state does not fit: " + reason);
}

// JSON has no infinities or NaN: nlohmann-json would write them as null, a file that no
// longer holds the run. True when `value` holds one, with its place put in `where`.
bool holdsNonFinite(const json& value, std::string& where)
{
    if (value.is_number_float())
        return !std::isfinite(value.get<double>());
    if (value.is_object()) {
        for (const auto& [key, item] : value.items())
            if (holdsNonFinite(item, where)) {
                where = "/" + key + where;
                return true;
            }
    } else if (value.is_array()) {
        for (std::size_t i = 0; i < value.size(); ++i)
            if (holdsNonFinite(value[i], where)) {
                where = "/" + std::to_string(i) + where;
                return true;
            }
    }
    return false;
}

// A state that the reader would refuse is not written: the run says why instead. The strategies'
// states are a few vectors, checked whole as the reader checks them; the genetic algorithm's
// genomes are checked gene by gene as they are written; NEAT's state, its whole population, is
// only checked for numbers JSON cannot hold (restoring it here would cost a second population).
void checkWritableState(const SavedRun& run)
{
    if (run.params.method == "ga")
        return;
    std::string where;
    if (holdsNonFinite(run.methodState, where))
        throw BadFile("the " + run.params.method + " state holds a number that is not finite (at \"state\"" + where
                      + "): the search has diverged");
    if (run.params.method != "neat")
        checkMethodState(run);
}

nlohmann::ordered_json methodSection(const SavedRun& run)
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
    if (run.params.method == "ga")
        section["state"].erase("genomes"); // written at the top level
    return section;
}

// A gene as the file holds it: its number, or one of the words for an overflowed gene.
float geneFromJson(const json& value, const std::string& name)
{
    if (value.is_string()) {
        const std::string& word = value.get_ref<const std::string&>();
        if (word == POSITIVE_INFINITY)
            return std::numeric_limits<float>::infinity();
        if (word == NEGATIVE_INFINITY)
            return -std::numeric_limits<float>::infinity();
    }
    return finiteFloat(value, name);
}

// The text of a gene. A mutation can carry a gene past the largest float (it cannot make one
// that is not a number); such a network holds still, and its run must load like any other.
bool geneText(float gene, std::string& text)
{
    if (std::isnan(gene))
        return false;
    if (std::isinf(gene))
        text = json(gene > 0.0f ? POSITIVE_INFINITY : NEGATIVE_INFINITY).dump();
    else
        text = json(gene).dump();
    return true;
}

// Refuses a generator state that seeding and drawing could never have led to.
void checkRandomState(const RandomState& state)
{
    if (!isValidRandomPosition(state[0]))
        throw BadFile("\"random_state\" is not a state of the generator (word 0 is " + std::to_string(state[0]) + ")");
    if (!isValidRandomState(state))
        throw BadFile("\"random_state\" is not a state of the generator (no seed leads to its table, which would "
                      "repeat itself)");
}

// What the reader keeps of a file: the short members as JSON, the two long lists already in
// their compact form, each checked value by value as it is read.
struct FileContent {
    json root = json::object(); // every member but the long lists when they are lists
    bool hasGenomes = false;
    std::vector<std::vector<float>> genomes;
    bool hasHistory = false;
    struct Entry {
        GenerationFitness fitness;
        bool seen[5] = {false, false, false, false, false}; // best, mean, median, species, genome_size
    };
    std::vector<Entry> history;
};

// The first three are required; files written before the last two were kept lack them.
const char* const HISTORY_KEYS[] = {"best", "mean", "median", "species", "genome_size"};
// The root's members the reader keeps as JSON besides the long lists ("genomes", "history");
// any other member is passed over unread. A new member of the format goes here.
const char* const SHORT_MEMBERS[] = {"format", "version", "parameters", "seed", "generation", "random_state", "method"};

// Builds FileContent from the parser's events at a cost bounded by what a run can hold: the
// genomes stop at the run limits, the history costs less than its text, members this program
// does not know are passed over without being kept, and nesting stops early.
class BoundedReader : public nlohmann::json_sax<json> {
public:
    explicit BoundedReader(FileContent& content)
        : content(content)
    {
    }

    bool null() override { return scalar(json()); }
    bool boolean(bool value) override { return scalar(json(value)); }
    bool number_integer(number_integer_t value) override { return scalar(json(value)); }
    bool number_unsigned(number_unsigned_t value) override { return scalar(json(value)); }
    bool number_float(number_float_t value, const string_t&) override { return scalar(json(value)); }
    bool string(string_t& value) override { return scalar(json(std::move(value))); }
    bool binary(binary_t&) override { return scalar(json()); }

    bool start_object(std::size_t) override { return open(true); }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_array() override { return close(); }

    bool key(string_t& name) override
    {
        ++events;
        if (depth == 1) {
            rootKey = name;
        } else if (place == Place::HistoryEntry && depth == 3) {
            historyField = -1;
            for (int i = 0; i < 5; ++i)
                if (name == HISTORY_KEYS[i])
                    historyField = i;
        } else if (place == Place::Short) {
            shortKey = name;
            // In the method's section a member that no method has is passed over unbuilt.
            skipValue = rootKey == "method" && !isMethodSectionKey(name);
        }
        return true;
    }

    bool parse_error(std::size_t byte, const std::string&, const nlohmann::detail::exception& e) override
    {
        errorByte = byte;
        errorId = e.id;
        errorText = e.what();
        return false;
    }

    // Set when the parser itself stopped: where, the kind of error and its text.
    std::size_t errorByte = 0;
    int errorId = 0;
    std::string errorText;
    long long events = 0;
    // The values kept as JSON for the short members.
    long long shortValues = 0;

private:
    // Where the value being read belongs.
    enum class Place { Root, Skipped, Short, Genomes, Genome, History, HistoryEntry, HistoryValue };

    static constexpr int MAX_DEPTH = 64;
    const std::size_t MAX_GENES = static_cast<std::size_t>(largestGenomeLength());

    std::string genomeName() const { return "genome " + std::to_string(content.genomes.size()); }
    std::string historyName() const { return "history entry " + std::to_string(content.history.size()); }

    // A value where the file is at `depth` (the root's members are at 1).
    bool scalar(json value)
    {
        ++events;
        switch (place) {
        case Place::Root:
            if (depth == 0)
                throw BadFile("not a Kinetarium population file (no \"format\": \"" + std::string(POPULATION_FORMAT)
                              + "\")");
            if (isLongList(rootKey))
                content.root[rootKey] = std::move(value); // not a list: the checks name it
            else if (isKnownShort(rootKey))
                content.root[rootKey] = std::move(value);
            return true;
        case Place::Skipped:
            return true;
        case Place::Short:
            if (skipValue) {
                skipValue = false;
                return true;
            }
            return addShort(std::move(value));
        case Place::Genomes:
            throw BadFile("genome " + std::to_string(content.genomes.size() + 1) + " is not a list of genes");
        case Place::Genome: {
            std::vector<float>& genome = content.genomes.back();
            if (genome.size() >= MAX_GENES)
                throw BadFile(genomeName() + " has more genes than " + std::to_string(MAX_HIDDEN_NEURONS)
                              + " hidden neurons need");
            if (++totalGenes > MAX_TOTAL_GENES)
                throw BadFile("more than " + std::to_string(MAX_TOTAL_GENES) + " genes, beyond the run limits");
            genome.push_back(geneFromJson(value, genomeName() + " gene " + std::to_string(genome.size() + 1)));
            return true;
        }
        case Place::History:
            content.history.emplace_back();
            throw BadFile(historyName() + " is not an object");
        case Place::HistoryEntry:
        case Place::HistoryValue:
            if (historyField >= 0) {
                FileContent::Entry& entry = content.history.back();
                const std::string name = historyName() + " \"" + HISTORY_KEYS[historyField] + "\"";
                if (historyField == 0)
                    entry.fitness.best = finiteFloat(value, name);
                else if (historyField == 1)
                    entry.fitness.mean = finiteDouble(value, name);
                else if (historyField == 2)
                    entry.fitness.median = finiteDouble(value, name);
                else if (historyField == 3)
                    entry.fitness.species = static_cast<int>(wholeNumber(value, name, 1, 1000000));
                else if ((entry.fitness.genomeSize = finiteDouble(value, name)) < 0.0)
                    throw BadFile(name + " is negative");
                entry.seen[historyField] = true;
            }
            return true;
        }
        return true;
    }

    bool open(bool object)
    {
        ++events;
        if (++depth > MAX_DEPTH)
            throw BadFile("lists and objects nested more than " + std::to_string(MAX_DEPTH) + " deep");
        stack.push_back(place);
        switch (place) {
        case Place::Root:
            if (depth == 1) {
                if (!object)
                    throw BadFile("not a Kinetarium population file (no \"format\": \""
                                  + std::string(POPULATION_FORMAT) + "\")");
            } else if (!object && rootKey == "genomes") {
                content.hasGenomes = true;
                content.genomes.clear();
                totalGenes = 0;
                content.root.erase("genomes");
                place = Place::Genomes;
            } else if (!object && rootKey == "history") {
                content.hasHistory = true;
                content.history.clear();
                content.root.erase("history");
                place = Place::History;
            } else if (isKnownShort(rootKey) || isLongList(rootKey)) {
                content.root[rootKey] = object ? json::object() : json::array();
                shortStack.assign(1, &content.root[rootKey]);
                place = Place::Short;
            } else {
                place = Place::Skipped;
            }
            return true;
        case Place::Skipped:
            return true;
        case Place::Short:
            if (skipValue) {
                skipValue = false;
                place = Place::Skipped;
                return true;
            }
            if (!addShort(object ? json::object() : json::array()))
                return false;
            shortStack.push_back(lastShort);
            return true;
        case Place::Genomes:
            if (object)
                throw BadFile("genome " + std::to_string(content.genomes.size() + 1) + " is not a list of genes");
            if (content.genomes.size() >= static_cast<std::size_t>(MAX_POPULATION_SIZE))
                throw BadFile("more than " + std::to_string(MAX_POPULATION_SIZE) + " genomes, beyond the run limits");
            content.genomes.emplace_back();
            place = Place::Genome;
            return true;
        case Place::Genome:
            throw BadFile(genomeName() + " gene " + std::to_string(content.genomes.back().size() + 1)
                          + " is not a number");
        case Place::History:
            content.history.emplace_back();
            if (!object)
                throw BadFile(historyName() + " is not an object");
            historyField = -1;
            place = Place::HistoryEntry;
            return true;
        case Place::HistoryEntry:
            if (historyField >= 0)
                throw BadFile(historyName() + " \"" + HISTORY_KEYS[historyField] + "\" is not a number");
            place = Place::HistoryValue; // an unknown member's value: passed over
            historyField = -1;
            return true;
        case Place::HistoryValue:
            return true;
        }
        return true;
    }

    bool close()
    {
        ++events;
        const Place inside = place;
        place = stack.back();
        stack.pop_back();
        --depth;
        if (inside == Place::Short)
            shortStack.pop_back();
        if (inside == Place::HistoryEntry) {
            const FileContent::Entry& entry = content.history.back();
            for (int i = 0; i < 3; ++i)
                if (!entry.seen[i])
                    throw BadFile(historyName() + " has no \"" + HISTORY_KEYS[i] + "\"");
        }
        return true;
    }

    bool addShort(json value)
    {
        if (++shortValues > MAX_SHORT_VALUES)
            throw BadFile("\"" + rootKey + "\" holds far more than a population file needs");
        json& parent = *shortStack.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            lastShort = &parent.back();
        } else {
            json& slot = parent[shortKey];
            slot = std::move(value);
            lastShort = &slot;
        }
        return true;
    }

    static bool isLongList(const std::string& name) { return name == "genomes" || name == "history"; }
    static bool isKnownShort(const std::string& name)
    {
        for (const char* known : SHORT_MEMBERS)
            if (name == known)
                return true;
        return false;
    }

    FileContent& content;
    int depth = 0;
    Place place = Place::Root;
    std::vector<Place> stack;
    std::string rootKey;
    std::string shortKey;
    std::vector<json*> shortStack;
    json* lastShort = nullptr;
    bool skipValue = false; // the value after the last key is passed over
    long long totalGenes = 0;
    int historyField = -1;
};

SavedRun readRun(FileContent& content)
{
    const json& root = content.root;
    const auto format = root.find("format");
    if (format == root.end() || !format->is_string() || format->get<std::string>() != POPULATION_FORMAT)
        throw BadFile("not a Kinetarium population file (no \"format\": \"" + std::string(POPULATION_FORMAT) + "\")");
    const json& version = member(root, "version", "the file ");
    const long long number = wholeNumber(version, "\"version\"", 1, LLONG_MAX);
    if (number > POPULATION_FORMAT_VERSION)
        throw BadFile("format version " + std::to_string(number) + " is newer than this program reads (version "
                      + std::to_string(POPULATION_FORMAT_VERSION) + ")");

    SavedRun run;
    readParams(member(root, "parameters", "the file "), run.params, number);
    run.seed = static_cast<unsigned>(wholeNumber(member(root, "seed", "the file "), "\"seed\"", 0, UINT_MAX));
    run.generation = static_cast<int>(wholeNumber(member(root, "generation", "the file "), "\"generation\"", 0, INT_MAX));

    const json& state = member(root, "random_state", "the file ");
    if (!state.is_array() || state.size() != RANDOM_STATE_WORDS)
        throw BadFile("the generator state (\"random_state\") is not " + std::to_string(RANDOM_STATE_WORDS)
                      + " numbers" + (state.is_array() ? " (it has " + std::to_string(state.size()) + ")" : ""));
    for (int i = 0; i < RANDOM_STATE_WORDS; ++i)
        run.randomState[static_cast<size_t>(i)] = static_cast<std::uint32_t>(
            wholeNumber(state[static_cast<size_t>(i)], "\"random_state\" word " + std::to_string(i), 0, UINT32_MAX));
    checkRandomState(run.randomState);

    if (number >= 2) {
        member(root, "method", "the file ");
        readMethodSection(content.root["method"], run);
    } else {
        run.params.method = "ga"; // version 1: the genetic algorithm's genomes at the top level
    }
    if (number < 2 || content.hasGenomes || root.contains("genomes")) {
        if (!content.hasGenomes) {
            member(root, "genomes", "the file ");
            throw BadFile("\"genomes\" is not a list");
        }
        if (content.genomes.size() != static_cast<size_t>(run.params.populationSize))
            throw BadFile(std::to_string(content.genomes.size()) + " genomes for a population of "
                          + std::to_string(run.params.populationSize));
        const size_t genes = static_cast<size_t>(genomeLength(run.params));
        for (size_t i = 0; i < content.genomes.size(); ++i)
            if (content.genomes[i].size() != genes)
                throw BadFile("genome " + std::to_string(i + 1) + " has " + std::to_string(content.genomes[i].size())
                              + " genes, but " + std::to_string(run.params.hiddenNeurons) + " hidden neurons need "
                              + std::to_string(genes));
        if (!run.methodState.is_object())
            run.methodState = json::object();
        run.methodState["genomes"] = std::move(content.genomes);
    }
    checkMethodState(run);

    if (!content.hasHistory || content.history.size() != static_cast<size_t>(run.generation)) {
        if (!content.hasHistory)
            member(root, "history", "the file ");
        throw BadFile("\"history\" does not hold one entry for each of the " + std::to_string(run.generation)
                      + " finished generations");
    }
    run.history.reserve(content.history.size());
    // Without a size: one of the layered networks, 4 x h + h x 2 connections and h hidden neurons.
    const double layeredSize = 7.0 * (run.params.hiddenNeurons > 0 ? run.params.hiddenNeurons : 0);
    for (const FileContent::Entry& entry : content.history) {
        run.history.push_back(entry.fitness);
        if (!entry.seen[4])
            run.history.back().genomeSize = layeredSize;
    }
    return run;
}

// Where byte `byte` (counted from 1) of the text stands.
std::string lineAndColumn(std::istream& in, std::size_t byte)
{
    in.clear();
    in.seekg(0);
    std::size_t line = 1, column = 1;
    char c;
    for (std::size_t i = 0; i + 1 < byte && in.get(c); ++i) {
        if (c == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

bool onlyWhitespace(std::istream& in)
{
    in.clear();
    in.seekg(0);
    char c;
    while (in.get(c))
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    return true;
}

// Parses the text from `in` (`size` bytes) into a run, at a cost bounded as BoundedReader's.
bool parseRun(std::istream& in, std::uintmax_t size, SavedRun& run, std::string& reason, long long* keptValues = nullptr)
{
    FileContent content;
    BoundedReader reader(content);
    // Also when the parse fails: what it cost up to there.
    struct Count {
        const BoundedReader& reader;
        long long* out;
        ~Count()
        {
            if (out)
                *out = reader.shortValues;
        }
    } count{reader, keptValues};
    try {
        if (!json::sax_parse(in, &reader)) {
            const std::size_t byte = reader.errorByte;
            if (reader.errorId == 406) {
                // A number beyond a double's range ("1e999") stops the parser with its own error.
                const std::string& what = reader.errorText;
                reason = "a number in it is not a finite number (" + what.substr(what.find("] ") + 2) + ")";
            } else if (reader.events == 0 && byte >= size && onlyWhitespace(in)) {
                reason = "the file is empty";
            } else if (byte >= size) {
                reason = "the file is cut short (its JSON ends early)";
            } else {
                reason = "not JSON (syntax error at " + lineAndColumn(in, byte) + ")";
            }
            return false;
        }
        SavedRun read = readRun(content);
        run = std::move(read);
        return true;
    } catch (const BadFile& e) {
        reason = e.what();
    } catch (const json::exception& e) {
        reason = std::string("unexpected content (") + e.what() + ")";
    } catch (const std::bad_alloc&) {
        reason = "not enough memory to read it";
    }
    return false;
}

std::string fileError(const std::string& what, const std::string& path, const std::string& reason)
{
    return "Error: cannot " + what + " the population file '" + path + "': " + reason + ".";
}

std::string sizeText(std::uintmax_t bytes)
{
    if (bytes >= (1ULL << 30) && bytes % (1ULL << 30) == 0)
        return std::to_string(bytes >> 30) + " GiB";
    return std::to_string(bytes) + " bytes";
}

// The file's text, made piece by piece; stops once it passes `sizeLimit` bytes.
class JsonOut {
public:
    JsonOut(std::ostream& out, std::uintmax_t sizeLimit)
        : out(out)
        , sizeLimit(sizeLimit)
    {
    }
    struct TooLarge {};
    void put(const std::string& text)
    {
        written += text.size();
        if (written > sizeLimit)
            throw TooLarge{};
        out << text;
    }

private:
    std::ostream& out;
    std::uintmax_t sizeLimit;
    std::uintmax_t written = 0;
};

// Everything but the two long lists, in the order written: the format and version first.
nlohmann::ordered_json shortMembers(const SavedRun& run)
{
    const EvolutionParams& p = run.params;
    json parameters = json::object();
    parameters["task"] = p.task;
    for (const ParameterInfo& parameter : evolutionParameters()) {
        if (parameter.methodOwn)
            continue;
        if (parameter.textField)
            parameters[parameter.fileKey()] = p.*parameter.textField;
        else if (parameter.floatField)
            parameters[parameter.fileKey()] = p.*parameter.floatField;
        else if (parameter.choices.empty())
            parameters[parameter.fileKey()] = p.*parameter.intField;
        else { // an index out of range is written as the first choice, as it runs
            const int index = p.*parameter.intField;
            const bool known = index >= 0 && static_cast<std::size_t>(index) < parameter.choices.size();
            parameters[parameter.fileKey()] = parameter.choices[known ? static_cast<std::size_t>(index) : 0];
        }
    }
    nlohmann::ordered_json root;
    root["format"] = POPULATION_FORMAT;
    root["version"] = POPULATION_FORMAT_VERSION;
    root["parameters"] = parameters;
    root["seed"] = run.seed;
    root["generation"] = run.generation;
    root["random_state"] = run.randomState;
    root["method"] = methodSection(run);
    return root;
}

// The long lists go out entry by entry, laid out as a one-space indented dump would lay them,
// so that saving needs no second copy of the run in memory.
void writeRun(JsonOut& out, const SavedRun& run)
{
    checkWritableState(run);
    std::string text = shortMembers(run).dump(1);
    text.erase(text.size() - 2); // the closing "\n}"
    out.put(text);
    out.put(",\n \"history\": [");
    for (size_t i = 0; i < run.history.size(); ++i) {
        const GenerationFitness& entry = run.history[i];
        out.put(std::string(i == 0 ? "\n" : ",\n") + "  {\n   \"best\": " + json(entry.best).dump() + ",\n   \"mean\": "
                + json(entry.mean).dump() + ",\n   \"median\": " + json(entry.median).dump()
                + ",\n   \"species\": " + json(entry.species).dump() + ",\n   \"genome_size\": "
                + json(entry.genomeSize).dump() + "\n  }");
    }
    // Only the genetic algorithm's genomes, lists of genes, are a long list of their own.
    const auto genomes = run.methodState.is_object() && run.params.method == "ga" ? run.methodState.find("genomes")
                                                                                  : run.methodState.end();
    if (genomes == run.methodState.end() || !genomes->is_array()) {
        out.put(run.history.empty() ? "]\n}\n" : "\n ]\n}\n");
        return;
    }
    out.put(run.history.empty() ? "],\n \"genomes\": [" : "\n ],\n \"genomes\": [");
    for (size_t i = 0; i < genomes->size(); ++i) {
        const json& genome = (*genomes)[i];
        out.put(i == 0 ? "\n  [" : ",\n  [");
        std::string gene;
        for (size_t g = 0; g < genome.size(); ++g) {
            if (!genome[g].is_number() || !geneText(genome[g].get<float>(), gene))
                throw BadFile("genome " + std::to_string(i + 1) + " gene " + std::to_string(g + 1) + " is not a number");
            out.put((g == 0 ? "\n   " : ",\n   ") + gene);
        }
        out.put(genome.empty() ? "]" : "\n  ]");
    }
    out.put(genomes->empty() ? "]\n}\n" : "\n ]\n}\n");
}

} // namespace

bool writePopulationJson(std::ostream& out, const SavedRun& run, std::uintmax_t sizeLimit, std::string& reason)
{
    JsonOut json(out, sizeLimit);
    try {
        writeRun(json, run);
        return true;
    } catch (const JsonOut::TooLarge&) {
        reason = "the file would be larger than the " + sizeText(sizeLimit) + " a population file may hold";
    } catch (const BadFile& e) {
        reason = e.what();
    }
    return false;
}

std::string populationToJson(const SavedRun& run)
{
    std::ostringstream text;
    std::string reason;
    if (!writePopulationJson(text, run, std::numeric_limits<std::uintmax_t>::max(), reason))
        return std::string();
    return text.str();
}

bool populationFromJson(const std::string& text, SavedRun& run, std::string& reason, long long* keptValues)
{
    std::istringstream in(text);
    return parseRun(in, text.size(), run, reason, keptValues);
}

bool writePopulationFile(const std::string& path, const SavedRun& run, std::string& error, std::uintmax_t sizeLimit)
{
    std::string reason;
    const ContentWriter write = [&](std::ostream& out, std::string& why) {
        return writePopulationJson(out, run, sizeLimit, why);
    };
    if (writeFileSafely(path, write, reason))
        return true;
    error = fileError("write", path, reason);
    return false;
}

bool readPopulationFile(const std::string& path, SavedRun& run, std::string& error, std::uintmax_t sizeLimit)
{
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
        // Not only a missing file: a folder that may not be searched, a loop of links, a
        // name too long.
        error = fileError("read", path, ec ? ec.message() : std::string(std::strerror(ENOENT)));
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error = fileError("read", path, "it is not a regular file");
        return false;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        error = fileError("read", path, ec.message());
        return false;
    }
    if (size > sizeLimit) {
        error = fileError("load", path, "the file is larger than the " + sizeText(sizeLimit) + " a population file may hold");
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        error = fileError("read", path, std::strerror(errno));
        return false;
    }
    std::string reason;
    if (!parseRun(in, size, run, reason)) {
        error = fileError("load", path, reason);
        return false;
    }
    return true;
}

} // namespace modules
