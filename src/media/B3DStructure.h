#pragma once

#include <irrlicht.h>

#include <cstddef>
#include <string>
#include <vector>

namespace modules {

// The few faults of a B3D file that the engine's loader turns into reads of memory it does
// not own, which need not crash the trial load in the child process (MediaCheck) but can
// crash or corrupt the real one. Everything else the loader accepts is the loader's to judge.
//  - A TEXS chunk after a BRUS chunk: brushes keep pointers into the texture list, and a
//    later TEXS that grows the list leaves them pointing at freed memory.
//  - A MESH or TRIS brush index other than -1 that names no brush read before it: the
//    loader reads past its material list (often still inside the list's spare room).
//  - A BRUS chunk whose records do not fill it: its brushes cannot be counted.
//  - A chunk whose size does not fit its parent (negative, or past the parent's end), and a
//    NODE, MESH or TRIS chunk too short for the fields before its children: the loader reads
//    on beyond the chunk, and what it reads there (a brush index, say) is hidden from a walk.
// Returns an empty text for a file without these faults, else a short reason ("... at byte N").
std::string checkB3DStructure(const unsigned char* data, std::size_t size);

// Opens `name` through the engine's file system (as ISceneManager::getMesh does) and checks
// it. `found` tells whether the file could be opened at all.
std::string checkB3DStructureFile(irr::io::IFileSystem* fileSystem, const char* name, bool& found);

// The triangles of a B3D file's meshes, each vertex placed by the transforms of the nodes
// around its mesh, without the engine (to check a mesh before any engine runs). Every field
// read is checked against its chunk, nodes may nest at most 64 deep, and each vertex index
// must name a vertex of its mesh. Returns an empty text, or a short reason ("... at byte N").
std::string readB3DTriangles(const unsigned char* data, std::size_t size,
                             std::vector<irr::core::triangle3df>& triangles);

} // namespace modules
