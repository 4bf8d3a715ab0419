#pragma once

#include <cstddef>
#include <string>

namespace modules {

// Bounds of the trial load. The stack bound is never above the program's own, so what
// the trial survives the real load survives too.
struct MediaCheckLimits {
    unsigned seconds = 10;
    std::size_t memoryBytes = std::size_t{1} << 30; // beyond what the program holds at the fork
    std::size_t stackBytes = std::size_t{8} << 20;
};

// The engine judges its own data files: a short-lived child process brings the engine up
// on the null device and loads every file the way the program uses it (the meshes, the
// walls' octree selector, a vehicle with its collision response, the font, the panel
// layout with its elements looked up), within `limits`. The child tells the parent which
// file it is reading. Returns true when everything loaded; otherwise false with one line
// "Error: ..." in `error` naming the file and what happened (a crash, a hang, too much
// memory, or the program's own message for a file that cannot be loaded). The child runs
// in `directory` when it is not empty (its "media" folder is the one checked).
bool checkMediaFiles(std::string& error, const MediaCheckLimits& limits = MediaCheckLimits(),
                     const std::string& directory = std::string());

// Called before each data file is read: inside the trial load it tells the parent the file
// (a path such as "media/walls.b3d"); anywhere else it does nothing.
void readingMediaFile(const std::string& path);

} // namespace modules
