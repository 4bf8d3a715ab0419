#pragma once

#include <irrlicht.h>

#include <string>
#include <vector>

namespace modules {

struct MazeLayout {
    std::string meshPath;
    irr::core::vector2df start;
    float heading = 0.0f;
    irr::core::vector2df goal;
    std::vector<irr::core::triangle3df> walls;
};

bool readMazeFile(const std::string& path, float arenaWidth, float arenaDepth, MazeLayout& maze, std::string& error);
std::string mazePath(const std::string& value, const std::string& mediaFolder);

} // namespace modules
