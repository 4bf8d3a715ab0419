#pragma once

// The mesh tools' shared builder of flat-faced solids, and the look of the arena's walls,
// which the maze's walls take on so that both read as one kind of wall.

#include "B3DWriter.h"

#include <cmath>
#include <utility>
#include <vector>

namespace modules {

struct Vec3 {
    float x, y, z;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline Vec3 normalised(Vec3 a) { return a * (1.0f / std::sqrt(dot(a, a))); }

struct Colour {
    float red, green, blue;
};

inline Colour operator*(Colour c, float s) { return {c.red * s, c.green * s, c.blue * s}; }

// Gives a flat face a brightness from its direction, as a soft light from above and from
// the camera's usual side would; used for the full-bright walls, which ignore the lamp.
using FaceShade = float (*)(Vec3 normal);

inline float unshaded(Vec3) { return 1.0f; }

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

inline float wallShade(Vec3 n)
{
    // Tops brightest, then the faces turned towards +x and +z; the four inner faces each
    // get their own tone so that the corners read.
    const Vec3 light = normalised({0.45f, 1.0f, 0.25f});
    return 0.74f + 0.26f * std::fmax(0.0f, dot(n, light));
}

// The walls' height (from below the floor, so no gap shows at their foot), thickness and stone.
constexpr float WALL_BOTTOM = -0.2f;
constexpr float WALL_TOP = 0.6f;
constexpr float WALL_THICKNESS = 0.3f;
constexpr Colour WALL_STONE{0.74f, 0.78f, 0.86f};

} // namespace modules
