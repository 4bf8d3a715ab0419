#pragma once

#include <string>

namespace modules {

// True when `a` and `b` name one file: the same device and inode when both exist, else the
// same absolute path once every link is followed (a file not made yet, or a dangling link
// to one).
bool sameFile(const std::string& a, const std::string& b);

} // namespace modules
