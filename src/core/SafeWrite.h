#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace modules {

// Writes a file's content into `out`. May stop with false and its own reason (no file name,
// no "Error:"), for instance when the content turns out larger than it may be.
using ContentWriter = std::function<bool(std::ostream& out, std::string& reason)>;

// Replaces the file at `path` with the content so that a crash or a failed write never leaves
// it half written: the text goes to a new file in the same folder, is flushed and synced,
// and only then renamed over the old one. A link is written through: the file it names (or
// would name, when it dangles) is replaced, the link stays. A path that names something
// other than a regular file (a device, a folder) is refused. Temporaries that a killed
// writer left beside the same file are removed after a successful write. On failure
// returns false with the reason in `reason` (no file name, no "Error:"); the old file is
// then untouched. The content streams out as it is made, so a large file needs no copy of
// itself in memory.
bool writeFileSafely(const std::string& path, const ContentWriter& write, std::string& reason);
bool writeFileSafely(const std::string& path, const std::string& content, std::string& reason);

// Whether writeFileSafely could replace `path` now, checked before long work that ends in
// writing it: not a folder or another non-regular file, and a new file can be made in its
// folder (the folder exists and is writable, on a disk that is not read-only). On false,
// the reason in `reason` as writeFileSafely gives it (no file name, no "Error:").
bool canWriteFileSafely(const std::string& path, std::string& reason);

// The same, with the failure as one line "Error: cannot write 'PATH': REASON" in `error`.
bool writeFileReplacing(const std::string& path, const std::string& content, std::string& error);

} // namespace modules
