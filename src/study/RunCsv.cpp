#include "study/RunCsv.h"

#include "batch/GenerationSummary.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
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
        const char* p = line.c_str();
        char* after = nullptr;
        errno = 0;
        const long long generation = std::strtoll(p, &after, 10);
        if (errno || after == p || *after != ',' || generation != static_cast<long long>(best.size()) + 1)
            return false;
        p = after + 1;
        const double value = std::strtod(p, &after);
        if (after == p || *after != ',')
            return false;
        best.push_back(value);
    }
    if (static_cast<long long>(best.size()) != generations)
        return false;
    bestPerGeneration = std::move(best);
    return true;
}

} // namespace modules
