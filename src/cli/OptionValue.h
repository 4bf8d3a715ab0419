#pragma once

#include <cstddef>
#include <string>

namespace modules {

// True for a non-empty text of at most `maxDigits` digits '0' to '9' and nothing else (no
// sign, no space): the whole-number values of the command lines.
bool isWholeNumber(const std::string& text, std::size_t maxDigits = std::string::npos);

} // namespace modules
