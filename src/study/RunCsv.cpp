#include "study/RunCsv.h"

#include "batch/GenerationSummary.h"

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
// there is none or it is not finite or outside [0, max].
bool readField(const char*& p, char end, double max, double& value)
{
    char* after = nullptr;
    value = std::strtod(p, &after);
    if (after == p || *after != end || !std::isfinite(value) || value < 0.0 || value > max)
        return false;
    p = after + (end ? 1 : 0);
    return true;
}

// One row as csvRow writes it: generation `expected`, three fitness values, the steps (a
// whole number), the wall time, the species (a whole number) and the mean genome size. A row that no run could write is damage.
bool readRow(const std::string& line, long long expected, double& best)
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
    if (!readField(p, ',', MAX_FITNESS, best) || !readField(p, ',', MAX_FITNESS, mean) ||
        !readField(p, ',', MAX_FITNESS, median) || *p < '0' || *p > '9')
        return false;
    errno = 0;
    std::strtoll(p, &after, 10);
    if (errno || *after != ',')
        return false;
    p = after + 1;
    double seconds = 0.0;
    double species = 0.0;
    double genomeSize = 0.0;
    return readField(p, ',', std::numeric_limits<double>::max(), seconds) &&
           readField(p, ',', std::numeric_limits<int>::max(), species) && species == std::floor(species) &&
           readField(p, '\0', std::numeric_limits<double>::max(), genomeSize);
}

} // namespace

bool readCompleteRun(const std::string& path, long long generations, std::vector<double>& bestPerGeneration)
{
    std::string text;
    if (!readWholeFile(path, text))
        return false;
    const std::string header = csvHeader();
    if (text.compare(0, header.size(), header) != 0 || text.back() != '\n')
        return false;
    std::vector<double> best;
    std::size_t start = header.size();
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        double value = 0.0;
        if (!readRow(line, static_cast<long long>(best.size()) + 1, value))
            return false;
        best.push_back(value);
    }
    if (static_cast<long long>(best.size()) != generations)
        return false;
    bestPerGeneration = std::move(best);
    return true;
}

} // namespace modules
