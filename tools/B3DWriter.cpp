#include "B3DWriter.h"

#include <cstring>
#include <fstream>

namespace modules {

namespace {

// Appends little-endian values and keeps the offsets of the open chunks, whose sizes
// are patched in when they are closed (the size excludes the 8-byte chunk header).
class ChunkBuffer {
public:
    void putInt(std::int32_t value)
    {
        const auto bits = static_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(bits >> shift));
    }

    void putFloat(float value)
    {
        static_assert(sizeof(float) == 4, "B3D floats are IEEE 32-bit");
        std::int32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        putInt(bits);
    }

    void putString(const std::string& text)
    {
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.push_back(0);
    }

    void begin(const char (&tag)[5])
    {
        bytes.insert(bytes.end(), tag, tag + 4);
        open.push_back(bytes.size());
        putInt(0);
    }

    void end()
    {
        const size_t sizeAt = open.back();
        open.pop_back();
        const auto size = static_cast<std::int32_t>(bytes.size() - (sizeAt + 4));
        for (int i = 0; i < 4; ++i)
            bytes[sizeAt + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(size) >> (8 * i));
    }

    std::vector<std::uint8_t> bytes;

private:
    std::vector<size_t> open;
};

} // namespace

std::vector<std::uint8_t> B3DWriter::encode(const B3DMesh& mesh)
{
    ChunkBuffer out;
    out.begin("BB3D");
    out.putInt(1);

    // Brushes must come before the geometry that refers to them: the loader does not
    // check brush indices.
    if (!mesh.brushes.empty()) {
        out.begin("BRUS");
        out.putInt(0); // no textures
        for (const B3DBrush& brush : mesh.brushes) {
            out.putString(brush.name);
            out.putFloat(brush.red);
            out.putFloat(brush.green);
            out.putFloat(brush.blue);
            out.putFloat(brush.alpha);
            out.putFloat(brush.shininess);
            out.putInt(1); // blend: alpha
            out.putInt(brush.fx);
        }
        out.end();
    }

    out.begin("NODE");
    out.putString("root");
    for (float position : {0.0f, 0.0f, 0.0f})
        out.putFloat(position);
    for (float scale : {1.0f, 1.0f, 1.0f})
        out.putFloat(scale);
    for (float rotation : {1.0f, 0.0f, 0.0f, 0.0f}) // quaternion w, x, y, z
        out.putFloat(rotation);

    out.begin("MESH");
    out.putInt(-1); // each surface names its own brush

    out.begin("VRTS");
    out.putInt(mesh.vertexColours ? 3 : 1); // normals, and colours if wanted
    out.putInt(0);                           // no texture coordinates
    out.putInt(0);
    for (const B3DVertex& v : mesh.vertices) {
        for (float f : {v.x, v.y, v.z, v.nx, v.ny, v.nz})
            out.putFloat(f);
        if (mesh.vertexColours)
            for (float f : {v.red, v.green, v.blue, v.alpha})
                out.putFloat(f);
    }
    out.end();

    for (const B3DSurface& surface : mesh.surfaces) {
        out.begin("TRIS");
        out.putInt(surface.brush);
        for (int index : surface.indices)
            out.putInt(index);
        out.end();
    }

    out.end(); // MESH
    out.end(); // NODE
    out.end(); // BB3D
    return out.bytes;
}

bool B3DWriter::writeFile(const std::string& path, const B3DMesh& mesh)
{
    // Mesh buffers have 16-bit indices, and the loader wraps larger ones silently.
    if (mesh.vertices.size() > 65536)
        return false;
    const std::vector<std::uint8_t> bytes = encode(mesh);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

} // namespace modules
