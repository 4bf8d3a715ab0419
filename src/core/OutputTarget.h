#pragma once

#include <string>

namespace modules {

// Checks made before a long run, on the files it will write at its end.

// The path with every symbolic link followed, as far as the links lead (a dangling link
// gives the path it points at); absolute and without "." or "..".
std::string resolvedPath(const std::string& path);

// True when `a` and `b` name one file: the same device and inode when both exist, else the
// same resolved path (a file not made yet, or a link to one).
bool sameFile(const std::string& a, const std::string& b);

// Whether writeFileSafely could replace `path` now: it is no folder and no device or other
// non-regular file, and a new file can be made in its folder (the folder exists and is
// writable, on a disk that is not read-only). On false, the reason in `reason` (no file
// name, no "Error:"), in writeFileSafely's words where it has them.
bool canReplaceFile(const std::string& path, std::string& reason);

} // namespace modules
