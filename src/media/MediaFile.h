#pragma once

#include <irrlicht.h>

#include <string>
#include <vector>

namespace modules {

// Reads a whole data file through the engine's file system, as the engine's loaders open
// it. `found` tells whether it could be opened; the text is empty on success, else a reason.
std::string readMediaFile(irr::io::IFileSystem* fileSystem, const char* name, bool& found,
                          std::vector<unsigned char>& bytes);

} // namespace modules
