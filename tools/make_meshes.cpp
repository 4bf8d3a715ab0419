// Writes the program's three meshes, "ground.b3d", "walls.b3d" and "vehicle.b3d", into the
// directory named on the command line.
//
// The arena: vehicles and items stay within |x|, |z| < 4.5 on the plane y = 0; the walls'
// inner faces stand at x = +-5 and z = +-5. Vehicles are kept out of the walls by the
// engine's collision response, which only blocks front faces, and sense them with segments
// at y = 0, so every wall is a closed box with outward faces and its inner face covers
// y = 0 along the whole wall, corners included.

#include "MeshBuilder.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace modules {

namespace {

B3DMesh makeGround()
{
    // Wide enough that the overview camera sees floor up to the edges of the screen.
    const int HALF_EXTENT = 40;
    const float TOP = -0.01f; // just below the sensor lines drawn at y = 0
    const Colour ARENA{0.93f, 0.89f, 0.79f};
    const Colour OUTSIDE{0.86f, 0.86f, 0.84f};

    MeshBuilder builder;
    builder.mesh.vertexColours = true;
    const int surface = builder.addSurface({"ground", 1, 1, 1, 1, 0, FULL_BRIGHT_VERTEX_COLOURS});
    // One-unit tiles in a faint checker give depth and scale; the inner faces of the walls
    // lie on tile edges.
    for (int x = -HALF_EXTENT; x < HALF_EXTENT; ++x)
        for (int z = -HALF_EXTENT; z < HALF_EXTENT; ++z) {
            const bool inArena = x >= -5 && x < 5 && z >= -5 && z < 5;
            const float checker = ((x + z) & 1) ? 0.95f : 1.0f;
            const Colour colour = (inArena ? ARENA : OUTSIDE) * checker;
            const auto fx = static_cast<float>(x);
            const auto fz = static_cast<float>(z);
            builder.addQuad(surface, {fx, TOP, fz}, {fx, TOP, fz + 1}, {fx + 1, TOP, fz + 1}, {fx + 1, TOP, fz},
                            {fx + 0.5f, TOP - 1, fz + 0.5f}, colour);
        }
    return builder.mesh;
}

B3DMesh makeWalls()
{
    const float INNER = 5.0f;
    const float OUTER = INNER + WALL_THICKNESS;
    const float BOTTOM = WALL_BOTTOM;
    const float TOP = WALL_TOP;
    const Colour STONE = WALL_STONE;

    MeshBuilder builder;
    builder.mesh.vertexColours = true;
    builder.shade = wallShade;
    const int surface = builder.addSurface({"walls", 1, 1, 1, 1, 0, FULL_BRIGHT_VERTEX_COLOURS});
    // The walls at x = +-5 run the full outer length and take the corners; the walls at
    // z = +-5 fit between them, so no two boxes share a visible face.
    builder.addBox(surface, {INNER, BOTTOM, -OUTER}, {OUTER, TOP, OUTER}, STONE);
    builder.addBox(surface, {-OUTER, BOTTOM, -OUTER}, {-INNER, TOP, OUTER}, STONE);
    builder.addBox(surface, {-INNER, BOTTOM, INNER}, {INNER, TOP, OUTER}, STONE);
    builder.addBox(surface, {-INNER, BOTTOM, -OUTER}, {INNER, TOP, -INNER}, STONE);
    return builder.mesh;
}

B3DMesh makeVehicle()
{
    // The body is lit by the lamp, so its colour lives in its brush. It comes first: its
    // material is the one whose ambient colour turns red on the best vehicle, so it is a
    // teal with next to no red in it (the lamp is yellowish, so a deep blue would look
    // black). The nose is full-bright: the front shows even far from the lamp.
    MeshBuilder builder;
    const Colour none{1, 1, 1};
    const int body = builder.addSurface({"body", 0.05f, 0.45f, 0.95f, 1, 0, 0});
    const int nose = builder.addSurface({"nose", 1.0f, 0.82f, 0.10f, 1, 0, 1});
    const int cabin = builder.addSurface({"cabin", 0.16f, 0.18f, 0.22f, 1, 0, 0});
    const int wheels = builder.addSurface({"wheels", 0.10f, 0.10f, 0.10f, 1, 0, 0});

    // Footprint 0.18 x 0.26 centred on the origin, 0.1 high, front towards -z.
    builder.addBox(body, {-0.075f, 0.02f, -0.06f}, {0.075f, 0.065f, 0.13f}, none);
    // The nose tapers from the body to a narrow, low front end.
    const Vec3 wedge[8] = {{-0.075f, 0.02f, -0.06f}, {0.075f, 0.02f, -0.06f}, {0.03f, 0.02f, -0.13f},
                           {-0.03f, 0.02f, -0.13f},  {-0.075f, 0.065f, -0.06f}, {0.075f, 0.065f, -0.06f},
                           {0.03f, 0.04f, -0.13f},   {-0.03f, 0.04f, -0.13f}};
    builder.addSolid(nose, wedge, none);
    // A small dark cockpit, leaving most of the body's top in view.
    const Vec3 canopy[8] = {{-0.045f, 0.065f, -0.02f}, {0.045f, 0.065f, -0.02f}, {0.045f, 0.065f, 0.06f},
                            {-0.045f, 0.065f, 0.06f},  {-0.035f, 0.1f, 0.0f},    {0.035f, 0.1f, 0.0f},
                            {0.035f, 0.1f, 0.05f},     {-0.035f, 0.1f, 0.05f}};
    builder.addSolid(cabin, canopy, none);
    for (float side : {-1.0f, 1.0f})
        for (float axle : {-0.035f, 0.095f}) {
            const float inner = 0.075f * side;
            const float outer = 0.09f * side;
            builder.addBox(wheels, {std::fmin(inner, outer), 0.0f, axle - 0.025f},
                           {std::fmax(inner, outer), 0.045f, axle + 0.025f}, none);
        }
    return builder.mesh;
}

} // namespace

} // namespace modules

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string directory = argv[1];
    const struct {
        const char* name;
        modules::B3DMesh mesh;
    } files[] = {
        {"ground.b3d", modules::makeGround()},
        {"walls.b3d", modules::makeWalls()},
        {"vehicle.b3d", modules::makeVehicle()},
    };
    for (const auto& file : files) {
        const std::string path = directory + "/" + file.name;
        if (!modules::B3DWriter::writeFile(path, file.mesh)) {
            std::fprintf(stderr, "make_meshes: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
