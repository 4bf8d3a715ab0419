#include "media/MazeFile.h"

namespace modules {

bool readMazeFile(const std::string& path, float, float, MazeLayout& maze, std::string&)
{
    maze.meshPath = path.substr(0, path.rfind('/') + 1) + "maze.b3d";
    maze.start.set(-3.8f, 3.8f);
    maze.goal.set(3.8f, -3.8f);
    return true;
}

std::string mazePath(const std::string& value, const std::string& mediaFolder)
{
    return value.find('/') == std::string::npos ? mediaFolder + "/" + value : value;
}

} // namespace modules
