#include "world/MeshFileCheck.h"

#include "core/MediaFile.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace modules {

namespace {

constexpr std::size_t HEADER = 8; // tag and size
constexpr std::int32_t MAX_TEXTURES_PER_BRUSH = 8;

// Walks the chunk tree. Every read is bounded by the end of the chunk that holds it.
class B3DCheck {
public:
    B3DCheck(const unsigned char* data, std::size_t size)
        : data(data)
        , size(size)
    {
    }

    std::string run()
    {
        if (size < HEADER || std::memcmp(data, "BB3D", 4) != 0)
            return "not a B3D file (no BB3D chunk at the start)";
        std::size_t end = 0;
        if (!chunkEnd(0, size, end))
            return error;
        if (end - HEADER < 4)
            return "the BB3D chunk at byte 0 has no room for its version";
        std::size_t pos = HEADER + 4;
        while (pos < end) {
            std::size_t childEnd = 0;
            if (!chunkEnd(pos, end, childEnd))
                return error;
            const std::size_t body = pos + HEADER;
            bool ok = true;
            if (tagIs(pos, "TEXS"))
                ok = textures(body, childEnd);
            else if (tagIs(pos, "BRUS"))
                ok = brushes(body, childEnd);
            else if (tagIs(pos, "NODE"))
                ok = node(body, childEnd, 1);
            else if (isAnimation(pos))
                ok = fail("animation chunk " + tagAt(pos), pos);
            if (!ok)
                return error;
            pos = childEnd;
        }
        if (!sawMesh)
            return "no NODE holds a MESH";
        return std::string();
    }

private:
    bool fail(const std::string& what, std::size_t at)
    {
        error = what + " at byte " + std::to_string(at);
        return false;
    }

    bool tagIs(std::size_t pos, const char* tag) const { return std::memcmp(data + pos, tag, 4) == 0; }

    bool isAnimation(std::size_t pos) const
    {
        return tagIs(pos, "BONE") || tagIs(pos, "KEYS") || tagIs(pos, "ANIM");
    }

    std::string tagAt(std::size_t pos) const
    {
        std::string tag;
        for (std::size_t i = 0; i < 4; ++i) {
            const unsigned char c = data[pos + i];
            tag += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
        }
        return tag;
    }

    std::int32_t intAt(std::size_t pos) const
    {
        std::uint32_t bits = 0;
        for (int i = 3; i >= 0; --i)
            bits = (bits << 8) | data[pos + static_cast<std::size_t>(i)];
        std::int32_t value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    float floatAt(std::size_t pos) const
    {
        const std::int32_t bits = intAt(pos);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // The end of the chunk whose header starts at `pos`, which must lie within `parentEnd`.
    bool chunkEnd(std::size_t pos, std::size_t parentEnd, std::size_t& end)
    {
        if (parentEnd - pos < HEADER)
            return fail("a chunk header cut off", pos);
        const std::int32_t length = intAt(pos + 4);
        if (length < 0)
            return fail("chunk " + tagAt(pos) + " with a negative size", pos);
        if (static_cast<std::size_t>(length) > parentEnd - pos - HEADER)
            return fail("chunk " + tagAt(pos) + " larger than " + (pos == 0 ? "the file" : "its parent"), pos);
        end = pos + HEADER + static_cast<std::size_t>(length);
        return true;
    }

    // A string ending in '\0' before `end`; `pos` moves past it.
    bool skipString(std::size_t& pos, std::size_t end)
    {
        const void* zero = pos < end ? std::memchr(data + pos, 0, end - pos) : nullptr;
        if (!zero)
            return fail("a string without its end", pos);
        pos = static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - data) + 1;
        return true;
    }

    // `count` finite floats from `pos`, which must fit before `end`.
    bool finiteFloats(std::size_t pos, std::size_t count, std::size_t end)
    {
        if ((end - pos) / 4 < count)
            return fail("a record cut off", pos);
        for (std::size_t i = 0; i < count; ++i)
            if (!std::isfinite(floatAt(pos + 4 * i)))
                return fail("a number that is not finite", pos + 4 * i);
        return true;
    }

    bool brushIndex(std::size_t pos)
    {
        const std::int32_t brush = intAt(pos);
        if (brush != -1 && (brush < 0 || brush >= brushCount))
            return fail("brush " + std::to_string(brush) + " of " + std::to_string(brushCount) + " defined", pos);
        return true;
    }

    // file, flags, blend, position x/y, scale x/y, rotation.
    bool textures(std::size_t pos, std::size_t end)
    {
        while (pos < end) {
            if (!skipString(pos, end))
                return false;
            if (end - pos < 28)
                return fail("a texture record cut off", pos);
            if (!finiteFloats(pos + 8, 5, end))
                return false;
            pos += 28;
        }
        return true;
    }

    // n_texs once, then per brush: name, r, g, b, a, shininess, blend, fx, n_texs texture ids.
    bool brushes(std::size_t pos, std::size_t end)
    {
        if (end - pos < 4)
            return fail("a brush chunk without its texture count", pos);
        const std::int32_t textureCount = intAt(pos);
        if (textureCount < 0 || textureCount > MAX_TEXTURES_PER_BRUSH)
            return fail("a brush texture count of " + std::to_string(textureCount), pos);
        pos += 4;
        const std::size_t record = 28 + 4 * static_cast<std::size_t>(textureCount);
        while (pos < end) {
            if (!skipString(pos, end))
                return false;
            if (end - pos < record)
                return fail("a brush record cut off", pos);
            if (!finiteFloats(pos, 5, end))
                return false;
            pos += record;
            ++brushCount;
        }
        return true;
    }

    // name, position, scale, rotation, then child chunks.
    bool node(std::size_t pos, std::size_t end, int depth)
    {
        if (depth > MAX_NODE_DEPTH)
            return fail("nodes nested more than " + std::to_string(MAX_NODE_DEPTH) + " deep", pos);
        if (!skipString(pos, end) || !finiteFloats(pos, 10, end))
            return false;
        pos += 40;
        while (pos < end) {
            std::size_t childEnd = 0;
            if (!chunkEnd(pos, end, childEnd))
                return false;
            const std::size_t body = pos + HEADER;
            bool ok = true;
            if (tagIs(pos, "NODE"))
                ok = node(body, childEnd, depth + 1);
            else if (tagIs(pos, "MESH"))
                ok = mesh(body, childEnd);
            else if (isAnimation(pos))
                ok = fail("animation chunk " + tagAt(pos), pos);
            if (!ok)
                return false;
            pos = childEnd;
        }
        return true;
    }

    // brush id, then one VRTS and its TRIS chunks.
    bool mesh(std::size_t pos, std::size_t end)
    {
        if (end - pos < 4)
            return fail("a mesh chunk without its brush", pos);
        if (!brushIndex(pos))
            return false;
        pos += 4;
        bool haveVertices = false;
        std::size_t vertexCount = 0;
        while (pos < end) {
            std::size_t childEnd = 0;
            if (!chunkEnd(pos, end, childEnd))
                return false;
            const std::size_t body = pos + HEADER;
            if (tagIs(pos, "VRTS")) {
                if (haveVertices)
                    return fail("a second vertex block in one mesh", pos);
                haveVertices = true;
                if (!vertices(body, childEnd, vertexCount))
                    return false;
            } else if (tagIs(pos, "TRIS")) {
                if (!triangles(body, childEnd, vertexCount))
                    return false;
            } else if (isAnimation(pos)) {
                return fail("animation chunk " + tagAt(pos), pos);
            }
            pos = childEnd;
        }
        sawMesh = true;
        return true;
    }

    // flags, texture coordinate sets, set size, then the vertices.
    bool vertices(std::size_t pos, std::size_t end, std::size_t& count)
    {
        if (end - pos < 12)
            return fail("a vertex block without its header", pos);
        const std::int32_t flags = intAt(pos);
        const std::int32_t sets = intAt(pos + 4);
        const std::int32_t setSize = intAt(pos + 8);
        if (sets < 0 || sets > 2 || setSize < 0 || setSize > 3)
            return fail("texture coordinates of " + std::to_string(sets) + " sets of " + std::to_string(setSize),
                        pos);
        const std::size_t floatsPerVertex = 3 + ((flags & 1) ? 3 : 0) + ((flags & 2) ? 4 : 0)
            + static_cast<std::size_t>(sets) * static_cast<std::size_t>(setSize);
        pos += 12;
        const std::size_t bytes = end - pos;
        if (bytes % (4 * floatsPerVertex) != 0)
            return fail("a vertex block that does not hold whole vertices", pos);
        count = bytes / (4 * floatsPerVertex);
        return finiteFloats(pos, count * floatsPerVertex, end);
    }

    // brush id, then three vertex indices per triangle.
    bool triangles(std::size_t pos, std::size_t end, std::size_t vertexCount)
    {
        if (end - pos < 4)
            return fail("a triangle list without its brush", pos);
        if (!brushIndex(pos))
            return false;
        pos += 4;
        if ((end - pos) % 12 != 0)
            return fail("a triangle list that does not hold whole triangles", pos);
        for (; pos < end; pos += 4) {
            const std::int32_t index = intAt(pos);
            if (index < 0 || static_cast<std::size_t>(index) >= vertexCount)
                return fail("vertex " + std::to_string(index) + " of " + std::to_string(vertexCount), pos);
        }
        return true;
    }

    const unsigned char* data;
    std::size_t size;
    std::int32_t brushCount = 0;
    bool sawMesh = false;
    std::string error;
};

} // namespace

std::string checkB3DMesh(const unsigned char* data, std::size_t size)
{
    if (!data)
        size = 0;
    return B3DCheck(data, size).run();
}

std::string checkB3DMeshFile(irr::io::IFileSystem* fileSystem, const char* name, bool& found)
{
    std::vector<unsigned char> bytes;
    const std::string error = readMediaFile(fileSystem, name, found, bytes);
    return error.empty() ? checkB3DMesh(bytes.data(), bytes.size()) : error;
}

} // namespace modules
