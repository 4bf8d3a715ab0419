// Writes the deceptive maze into the directory named on the command line: its walls as
// "maze.b3d" and its start, heading and goal as "maze.json".
//
// Wall V1 stands along z at x = 0.5 from the arena's wall at z = -5 up to z = 2, and wall H1
// along x at z = -0.5 from V1 to x = 3. The start (-3.8, 3.8) faces -z, and the goal
// (3.8, -3.8) lies in the corner that V1 and H1 close off: heading for it straight runs into
// V1, while the way that works leaves the left half through V1's gap at z > 2 and reaches
// the goal through H1's gap at x > 3.

#include "MeshBuilder.h"

#include <cstdio>
#include <string>

namespace modules {

namespace {

B3DMesh makeMaze()
{
    const float ARENA_INNER = 5.0f; // the inner faces of the arena's walls
    const float HALF = WALL_THICKNESS * 0.5f;
    const float V1_X = 0.5f, V1_END_Z = 2.0f;
    const float H1_Z = -0.5f, H1_END_X = 3.0f;

    MeshBuilder builder;
    builder.mesh.vertexColours = true;
    builder.shade = wallShade;
    const int surface = builder.addSurface({"maze", 1, 1, 1, 1, 0, FULL_BRIGHT_VERTEX_COLOURS});
    // V1 meets the arena's wall face to face, leaving no slit that a vehicle could pass; H1
    // starts at V1's face, so no two boxes overlap.
    builder.addBox(surface, {V1_X - HALF, WALL_BOTTOM, -ARENA_INNER}, {V1_X + HALF, WALL_TOP, V1_END_Z}, WALL_STONE);
    builder.addBox(surface, {V1_X + HALF, WALL_BOTTOM, H1_Z - HALF}, {H1_END_X, WALL_TOP, H1_Z + HALF}, WALL_STONE);
    return builder.mesh;
}

const char* const MAZE_JSON = "{\n"
                              "    \"format\": \"kinetarium-maze\",\n"
                              "    \"version\": 1,\n"
                              "    \"mesh\": \"maze.b3d\",\n"
                              "    \"start\": [-3.8, 3.8],\n"
                              "    \"heading\": 0,\n"
                              "    \"goal\": [3.8, -3.8]\n"
                              "}\n";

} // namespace

} // namespace modules

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string directory = argv[1];
    const std::string meshPath = directory + "/maze.b3d";
    if (!modules::B3DWriter::writeFile(meshPath, modules::makeMaze())) {
        std::fprintf(stderr, "make_maze: cannot write %s\n", meshPath.c_str());
        return 1;
    }
    const std::string jsonPath = directory + "/maze.json";
    std::FILE* file = std::fopen(jsonPath.c_str(), "wb");
    const bool written = file && std::fputs(modules::MAZE_JSON, file) >= 0;
    if (!file || std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "make_maze: cannot write %s\n", jsonPath.c_str());
        return 1;
    }
    return 0;
}
