#pragma once

#include <string>
#include <vector>

// Writes 8-bit RGBA pixels, row by row from the top, as a PNG file. On failure prints one
// line naming `tool` and the file to standard error and returns false.
bool writeRgbaPng(const char* tool, const std::string& path, int width, int height,
                  const std::vector<unsigned char>& rgba);
