#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace modules {

// Where the data files are read from. The first of these that is a folder wins:
// KINETARIUM_MEDIA when it is set (then nothing else is looked at), media/ in the
// working directory, and the installed data folder relative to the executable
// (<prefix>/share/kinetarium/media beside <prefix>/bin), so that a moved install
// still finds its data.
struct MediaLocation {
    std::filesystem::path folder;               // empty when no place held a folder
    std::vector<std::filesystem::path> tried;   // every place looked at, in order

    bool found() const { return !folder.empty(); }
    // "A", "A or B", "A, B or C": the places tried, for an error line.
    std::string triedList() const;
};

// Looks in the places above for this process (environment, working directory,
// /proc/self/exe).
MediaLocation findMediaFolder();

// The same choice from given facts: `overrideFolder` is KINETARIUM_MEDIA's value (null
// when unset), `executable` the program's own path (empty when unknown).
MediaLocation findMediaFolder(const char* overrideFolder, const std::filesystem::path& workingDirectory,
                              const std::filesystem::path& executable);

} // namespace modules
