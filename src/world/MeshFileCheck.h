#pragma once

#include <irrlicht.h>

#include <cstddef>
#include <string>

namespace modules {

// A structural check of a B3D mesh file, made before the engine's loader sees it. The
// loader trusts the file: a chunk size that reaches past the end of the file makes it read
// on forever, and a brush index out of range makes it read outside its material list. So
// every mesh the program loads passes this first:
//  - the file starts with a BB3D chunk; every chunk lies within its parent and the file;
//  - the records of TEXS, BRUS, NODE, VRTS and TRIS chunks fill their chunks exactly,
//    and their strings end inside them;
//  - brush indices name a brush defined earlier in the file (or are -1);
//  - vertex indices name a vertex of their mesh's one vertex block;
//  - vertex data and node transforms are finite numbers;
//  - no animation chunks (BONE, KEYS, ANIM): the program's meshes are static;
//  - nodes nest at most MAX_NODE_DEPTH deep.
// Chunks of other kinds are skipped, as the loader skips them.
// Returns an empty text for a file that passes, else a short reason ("... at byte N").
std::string checkB3DMesh(const unsigned char* data, std::size_t size);

// Opens `name` through the engine's file system (as ISceneManager::getMesh does) and
// checks it. `found` tells whether the file could be opened at all.
std::string checkB3DMeshFile(irr::io::IFileSystem* fileSystem, const char* name, bool& found);

constexpr int MAX_NODE_DEPTH = 64;

} // namespace modules
