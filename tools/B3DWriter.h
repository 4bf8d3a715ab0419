#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace modules {

// A static mesh in the shape the B3D loader wants: a list of brushes (materials), one
// vertex block, and one triangle list per surface. Each surface becomes one mesh buffer,
// so the order of the surfaces is the order of the materials of the loaded mesh.
struct B3DBrush {
    std::string name;
    float red = 1.0f, green = 1.0f, blue = 1.0f, alpha = 1.0f;
    float shininess = 0.0f;
    int fx = 0; // 1 full-bright, 2 vertex colours, 4 flat shading, 16 no back-face culling
};

struct B3DVertex {
    float x, y, z;
    float nx, ny, nz;
    float red, green, blue, alpha;
};

struct B3DSurface {
    int brush = -1;
    std::vector<int> indices; // three per triangle, clockwise seen from the front
};

struct B3DMesh {
    std::vector<B3DBrush> brushes;
    std::vector<B3DVertex> vertices;
    std::vector<B3DSurface> surfaces;
    bool vertexColours = false; // write the RGBA of each vertex, too
};

// Serialises a mesh as BB3D > BRUS > NODE > MESH > VRTS + TRIS, little-endian, with one
// identity node so that the vertices are taken in world space as they are.
class B3DWriter {
public:
    static std::vector<std::uint8_t> encode(const B3DMesh& mesh);
    // Fails for more than 65536 vertices (the engine's 16-bit indices) or a write error.
    static bool writeFile(const std::string& path, const B3DMesh& mesh);
};

} // namespace modules
