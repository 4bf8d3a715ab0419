#include "study/RunCsv.h"

#include "batch/GenerationSummary.h"
#include "evolution/MethodMeasures.h"

#include <algorithm>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

namespace modules {

bool readWholeFile(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad())
        return false;
    text = buffer.str();
    return true;
}

namespace {

// Fitness counts items in a float, one at a time; a float stops counting at 2^24.
constexpr double MAX_FITNESS = 16777216.0;

// Reads a number at `p` ending at `end` (',' or the line's end) into `value`; false when
// there is none or it is not finite or outside [min, max].
bool readField(const char*& p, char end, double max, double& value, double min = 0.0)
{
    char* after = nullptr;
    value = std::strtod(p, &after);
    if (after == p || *after != end || !std::isfinite(value) || value < min || value > max)
        return false;
    p = after + (end ? 1 : 0);
    return true;
}

// One row as csvRow writes it: generation `expected`, three fitness values (not below
// `lowest`), the steps (a whole number), the wall time, the species (a whole number), the mean
// genome size and `measures.size()` task columns. A row that no run could write is damage.
bool readRow(const std::string& line, long long expected, double& best, double lowest, std::vector<double>& measures)
{
    const char* p = line.c_str();
    char* after = nullptr;
    errno = 0;
    const long long generation = std::strtoll(p, &after, 10);
    if (errno || after == p || *after != ',' || generation != expected)
        return false;
    p = after + 1;
    double mean = 0.0;
    double median = 0.0;
    if (!readField(p, ',', MAX_FITNESS, best, lowest) || !readField(p, ',', MAX_FITNESS, mean, lowest) ||
        !readField(p, ',', MAX_FITNESS, median, lowest) || *p < '0' || *p > '9')
        return false;
    errno = 0;
    std::strtoll(p, &after, 10);
    if (errno || *after != ',')
        return false;
    p = after + 1;
    double seconds = 0.0;
    double species = 0.0;
    double genomeSize = 0.0;
    if (!readField(p, ',', std::numeric_limits<double>::max(), seconds) ||
        !readField(p, ',', std::numeric_limits<int>::max(), species) || species != std::floor(species) ||
        !readField(p, measures.empty() ? '\0' : ',', std::numeric_limits<double>::max(), genomeSize))
        return false;
    for (std::size_t m = 0; m < measures.size(); ++m)
        if (!readField(p, m + 1 == measures.size() ? '\0' : ',', MAX_FITNESS, measures[m]))
            return false;
    return true;
}

} // namespace

namespace {

// The header csvHeader() writes for the task's and the method's measure names, which go to
// `names`; false for any other line.
bool readHeader(const std::string& line, std::vector<std::string>& names)
{
    const std::string base = csvHeader({});
    const std::string start = base.substr(0, base.size() - 1);
    if (line.compare(0, start.size(), start) != 0 || line.back() != '\n')
        return false;
    names.clear();
    std::size_t p = start.size();
    const std::vector<std::string>& known = knownMeasureNames();
    while (line[p] == ',') {
        const std::size_t end = line.find_first_of(",\n", p + 1);
        const std::string name = line.substr(p + 1, end - p - 1);
        if (std::find(known.begin(), known.end(), name) == known.end()
            || std::find(names.begin(), names.end(), name) != names.end())
            return false;
        names.push_back(name);
        p = end;
    }
    return p + 1 == line.size();
}

bool readRun(const std::string& path, long long generations, RunColumns& run)
{
    std::string text;
    if (!readWholeFile(path, text) || text.empty() || text.back() != '\n')
        return false;
    const std::string firstLine = text.substr(0, text.find('\n') + 1);
    std::vector<std::string> names;
    if (!readHeader(firstLine, names))
        return false;
    // Fitness falls below 0 only on tasks with penalties, and by at most one per step taken.
    const double lowest = -MAX_FITNESS;
    RunColumns read;
    read.measureNames = names;
    read.measures.resize(read.measureNames.size());
    std::vector<double> measures(read.measureNames.size());
    std::size_t start = firstLine.size();
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        double value = 0.0;
        if (!readRow(line, static_cast<long long>(read.best.size()) + 1, value, lowest, measures))
            return false;
        read.best.push_back(value);
        for (std::size_t m = 0; m < measures.size(); ++m)
            read.measures[m].push_back(measures[m]);
    }
    if (static_cast<long long>(read.best.size()) != generations)
        return false;
    run = std::move(read);
    return true;
}

} // namespace

bool readCompleteRun(const std::string& path, long long generations, std::vector<double>& bestPerGeneration)
{
    RunColumns run;
    if (!readRun(path, generations, run))
        return false;
    bestPerGeneration = std::move(run.best);
    return true;
}

bool readCompleteRun(const std::string& path, long long generations, RunColumns& run)
{
    return readRun(path, generations, run);
}

} // namespace modules
