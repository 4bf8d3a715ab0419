#pragma once

#include <string>

namespace modules {

// File names and command-line text are UTF-8 bytes; the engine's texts are wide characters,
// one code point each, except where the engine copied a char text into a wide one char by
// char: its file dialog's names come so, each byte from 0x80 up sign-extended to a negative
// value. toUtf8 gives those back as the bytes they were, so a file name reaches the file
// system unchanged either way. Anything else that is no code point (a lone surrogate, a
// value past U+10FFFF, bytes that are no UTF-8) becomes U+FFFD, not another character.
std::string toUtf8(const wchar_t* text);
std::wstring fromUtf8(const std::string& text);

} // namespace modules
