#pragma once

#include <irrlicht.h>

#include <string>
#include <vector>

namespace modules {

// A maze: walls as a mesh, where a vehicle starts and faces, and where it should get to.
struct MazeLayout {
    std::string meshPath;          // the mesh's path, resolved against the maze file's folder
    irr::core::vector2df start;    // x, z
    float heading = 0.0f;          // degrees about the vertical; 0 drives towards -z
    irr::core::vector2df goal;     // x, z
    std::vector<irr::core::triangle3df> walls; // the mesh's triangles, as the file places them
};

// How far the start and the goal keep from the arena's edge and from the maze's walls: a
// vehicle's size, so that one placed there is free to move.
constexpr float MAZE_EDGE_MARGIN = 0.15f;
constexpr float MAZE_WALL_CLEARANCE = 0.15f;

// Reads and checks a maze file (JSON naming its mesh, a B3D file) without the engine: the
// JSON's format, version and members, the mesh's triangles, and that the start and the goal
// lie in the arena (arenaWidth x arenaDepth, centred on the origin) clear of every wall. On
// failure returns false and one line "Error: the maze file 'PATH' ..." saying what is wrong.
bool readMazeFile(const std::string& path, float arenaWidth, float arenaDepth, MazeLayout& maze, std::string& error);

// The path a --maze value names: a bare file name is looked up in the data folder
// `mediaFolder`; a value with a '/' is a path as given.
std::string mazePath(const std::string& value, const std::string& mediaFolder);

// Whether the segment from `from` to `to` on the floor (y = 0) meets a wall triangle.
bool crossesWall(const std::vector<irr::core::triangle3df>& walls, irr::core::vector2df from,
                 irr::core::vector2df to);

} // namespace modules
