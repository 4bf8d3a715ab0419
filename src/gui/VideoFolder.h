#pragma once

#include <ctime>
#include <string>

namespace modules {

// The user's videos folder: XDG_VIDEOS_DIR from user-dirs.dirs in $XDG_CONFIG_HOME (or
// ~/.config), else ~/Videos. Empty when HOME is not set and no such entry names a folder.
std::string videoFolder();

// The value of XDG_VIDEOS_DIR in the text of a user-dirs.dirs file, "$HOME/" expanded;
// empty when there is none or it is the home folder itself (the entry is then disabled).
std::string videosEntry(const std::string& userDirs, const std::string& home);

// "kinetarium-YYYYMMDD-HHMMSS.mp4" at that local time.
std::string clipFileName(std::time_t when);

// A folder for a new clip: the videos folder, created if missing, or, when it cannot be
// written, the population folder. Empty with the reason in `error` when neither works.
std::string clipFolder(std::string& error);

} // namespace modules
