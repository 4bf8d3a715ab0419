// Writes the program's three meshes, "ground.b3d", "walls.b3d" and "vehicle.b3d", into the
// directory named on the command line.
//
// The arena: vehicles and items stay within |x|, |z| < 4.5 on the plane y = 0; the walls'
// inner faces stand at x = +-5 and z = +-5. Vehicles are kept out of the walls by the
// engine's collision response, which only blocks front faces, and sense them with segments
// at y = 0, so every wall is a closed box with outward faces and its inner face covers
// y = 0 along the whole wall, corners included.

#include "B3DWriter.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace modules {

namespace {

struct Vec3 {
    float x, y, z;
};

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 normalised(Vec3 a) { return a * (1.0f / std::sqrt(dot(a, a))); }

struct Colour {
    float red, green, blue;
};

Colour operator*(Colour c, float s) { return {c.red * s, c.green * s, c.blue * s}; }

// Gives a flat face a brightness from its direction, as a soft light from above and from
// the camera's usual side would; used for the full-bright walls, which ignore the lamp.
using FaceShade = float (*)(Vec3 normal);

float unshaded(Vec3) { return 1.0f; }

// Collects flat faces into the surfaces (mesh buffers) of one mesh.
class MeshBuilder {
public:
    // Adds a surface drawn with the given brush; returns its index for addQuad and addSolid.
    int addSurface(const B3DBrush& brush)
    {
        mesh.brushes.push_back(brush);
        B3DSurface surface;
        surface.brush = static_cast<int>(mesh.brushes.size()) - 1;
        mesh.surfaces.push_back(surface);
        return static_cast<int>(mesh.surfaces.size()) - 1;
    }

    // Adds a flat convex quad, turned so that its front side faces away from `inside`.
    // The loader takes clockwise triangles (seen from the front) with the normal
    // (b - a) x (c - a) on the visible side.
    void addQuad(int surface, Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 inside, Colour colour)
    {
        Vec3 normal = normalised(cross(b - a, c - a));
        const Vec3 centre = (a + b + c + d) * 0.25f;
        if (dot(normal, centre - inside) < 0.0f) {
            std::swap(b, d);
            normal = normal * -1.0f;
        }
        const int first = static_cast<int>(mesh.vertices.size());
        const Colour lit = colour * shade(normal);
        for (const Vec3& p : {a, b, c, d})
            mesh.vertices.push_back({p.x, p.y, p.z, normal.x, normal.y, normal.z, lit.red, lit.green, lit.blue, 1.0f});
        std::vector<int>& indices = mesh.surfaces[static_cast<size_t>(surface)].indices;
        for (int offset : {0, 1, 2, 0, 2, 3})
            indices.push_back(first + offset);
    }

    // Adds a closed six-sided solid: four bottom corners in order around, then the four
    // top corners above them in the same order. Every face points outward.
    void addSolid(int surface, const Vec3 (&c)[8], Colour colour)
    {
        Vec3 centre{0, 0, 0};
        for (const Vec3& p : c)
            centre = centre + p * 0.125f;
        addQuad(surface, c[0], c[1], c[2], c[3], centre, colour);
        addQuad(surface, c[4], c[5], c[6], c[7], centre, colour);
        for (int i = 0; i < 4; ++i) {
            const int j = (i + 1) % 4;
            addQuad(surface, c[i], c[j], c[j + 4], c[i + 4], centre, colour);
        }
    }

    void addBox(int surface, Vec3 lo, Vec3 hi, Colour colour)
    {
        const Vec3 corners[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z},
                                 {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
        addSolid(surface, corners, colour);
    }

    B3DMesh mesh;
    FaceShade shade = unshaded;
};

// The lamp above the arena falls off within a few units, so the floor and the walls are
// full-bright with their light baked into vertex colours: the screen log's dark text at the
// bottom of the screen stays readable over them wherever the camera looks.
constexpr int FULL_BRIGHT_VERTEX_COLOURS = 1 | 2;

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

float wallShade(Vec3 n)
{
    // Tops brightest, then the faces turned towards +x and +z; the four inner faces each
    // get their own tone so that the corners read.
    const Vec3 light = normalised({0.45f, 1.0f, 0.25f});
    return 0.74f + 0.26f * std::fmax(0.0f, dot(n, light));
}

B3DMesh makeWalls()
{
    const float INNER = 5.0f;
    const float OUTER = 5.3f;
    const float BOTTOM = -0.2f; // below the floor, so no gap shows at its foot
    const float TOP = 0.6f;
    const Colour STONE{0.74f, 0.78f, 0.86f};

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
