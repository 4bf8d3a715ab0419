#pragma once

#include <cstddef>
#include <string>

namespace modules {

// True for a non-empty text of at most `maxDigits` digits '0' to '9' and nothing else (no
// sign, no space): the whole-number values of the command lines.
bool isWholeNumber(const std::string& text, std::size_t maxDigits = std::string::npos);

// `text` with its control characters shown as \n, \r, \t or \xHH, so that a value or a
// file name in a message keeps it on one line. Backslashes stay as they are: an escaped
// text comes out the same again.
std::string printable(const std::string& text);

} // namespace modules
