#pragma once

#include <string>

namespace modules {

// Replaces the file at `path` with `content` so that a crash or a failed write never leaves
// it half written: the text goes to a new file in the same folder, is flushed and synced,
// and only then renamed over the old one. A path that names something other than a regular
// file (a device, a folder) is refused. On failure returns false with the reason in
// `reason` (no file name, no "Error:"); the old file is then untouched.
bool writeFileSafely(const std::string& path, const std::string& content, std::string& reason);

} // namespace modules
