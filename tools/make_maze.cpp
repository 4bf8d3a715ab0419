// Writes the deceptive maze into the directory named on the command line: its walls as
// "maze.b3d" and its start, heading and goal as "maze.json".
//
// The goal (3.8, -3.8) lies in a room in the arena's far corner whose only door faces away
// from the start (-3.8, 3.8): wall B runs along x at z = -1.5 from the arena's wall at x = 5
// to x = -1.5, and wall L along z at x = -1.5 from B to z = -3.5, leaving the door between
// z = -3.5 and the arena's wall at z = -5. Wall C continues B's line from the arena's wall
// at x = -5 to x = -3, so that the far half is reached only through the gap between C and B.
// The start faces the goal: heading for it straight runs into B, and sliding along B towards
// the goal ends in the dead end at B's far end, some 2.6 from the goal. The way that works
// turns away, through the gap and up around L to the door, 5.3 from the goal, and along the
// room to it.

#include "MeshBuilder.h"

#include <cstdio>
#include <string>

namespace modules {

namespace {

B3DMesh makeMaze()
{
    const float ARENA_INNER = 5.0f; // the inner faces of the arena's walls
    const float HALF = WALL_THICKNESS * 0.5f;
    const float B_Z = -1.5f, L_X = -1.5f, DOOR_Z = -3.5f, C_END_X = -3.0f;

    MeshBuilder builder;
    builder.mesh.vertexColours = true;
    builder.shade = wallShade;
    const int surface = builder.addSurface({"maze", 1, 1, 1, 1, 0, FULL_BRIGHT_VERTEX_COLOURS});
    // B and C meet the arena's walls face to face, leaving no slit that a vehicle could pass;
    // L starts at B's face, so no two boxes overlap.
    builder.addBox(surface, {L_X - HALF, WALL_BOTTOM, B_Z - HALF}, {ARENA_INNER, WALL_TOP, B_Z + HALF}, WALL_STONE);
    builder.addBox(surface, {L_X - HALF, WALL_BOTTOM, DOOR_Z}, {L_X + HALF, WALL_TOP, B_Z - HALF}, WALL_STONE);
    builder.addBox(surface, {-ARENA_INNER, WALL_BOTTOM, B_Z - HALF}, {C_END_X, WALL_TOP, B_Z + HALF}, WALL_STONE);
    return builder.mesh;
}

const char* const MAZE_JSON = "{\n"
                              "    \"format\": \"kinetarium-maze\",\n"
                              "    \"version\": 1,\n"
                              "    \"mesh\": \"maze.b3d\",\n"
                              "    \"start\": [-3.8, 3.8],\n"
                              "    \"heading\": -45,\n"
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
