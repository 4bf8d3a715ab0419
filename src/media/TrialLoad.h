#pragma once

#include <string>

namespace modules {

// What the child process of the media check does with the global engine: the program's
// own start-up on the null device (meshes, walls' selector, panel with font and layout),
// then one vehicle whose collision response meets the walls. Empty on success, else the
// program's "Error: ..." line for a file that cannot be loaded.
std::string trialLoad();

} // namespace modules
