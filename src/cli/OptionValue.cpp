#include "cli/OptionValue.h"

#include <algorithm>

namespace modules {

bool isWholeNumber(const std::string& text, std::size_t maxDigits)
{
    return !text.empty() && text.size() <= maxDigits &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace modules
