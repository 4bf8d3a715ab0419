#include "media/B3DStructure.h"

#include "media/MediaFile.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace modules {

namespace {

// The file's 32-bit integers are little-endian, whatever the machine's order.
std::int32_t littleEndianInt(const unsigned char* data, std::size_t pos)
{
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | data[pos + static_cast<std::size_t>(i)];
    std::int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

constexpr std::size_t HEADER = 8; // tag and size

class B3DWalk {
public:
    B3DWalk(const unsigned char* data, std::size_t size)
        : data(data)
        , size(size)
    {
    }

    std::string run()
    {
        if (size < HEADER + 4 || std::memcmp(data, "BB3D", 4) != 0)
            return std::string(); // not a B3D file: the loader refuses it itself
        const std::size_t end = chunkEnd(0, size);
        if (end == 0)
            return error;
        for (std::size_t pos = HEADER + 4; pos < end;) {
            const std::size_t childEnd = chunkEnd(pos, end);
            if (childEnd == 0)
                return error;
            const std::size_t body = pos + HEADER;
            if (tagIs(pos, "TEXS") && brushChunkSeen)
                return fail("a TEXS chunk after a BRUS chunk", pos);
            if (tagIs(pos, "BRUS") && !brushes(body, childEnd))
                return error;
            if (tagIs(pos, "NODE") && !node(body, childEnd))
                return error;
            pos = childEnd;
        }
        return std::string();
    }

private:
    bool tagIs(std::size_t pos, const char* tag) const { return std::memcmp(data + pos, tag, 4) == 0; }

    std::string fail(const std::string& what, std::size_t at)
    {
        error = what + " at byte " + std::to_string(at);
        return error;
    }

    std::int32_t intAt(std::size_t pos) const { return littleEndianInt(data, pos); }

    // The tag for a message: garbage bytes are not printed.
    std::string tagAt(std::size_t pos) const
    {
        for (std::size_t i = pos; i < pos + 4; ++i)
            if (data[i] < 0x20 || data[i] > 0x7E)
                return "a chunk";
        return "a " + std::string(reinterpret_cast<const char*>(data + pos), 4) + " chunk";
    }

    // The end of the chunk whose header is at `pos`, or 0 (and the error) when it does not lie
    // within `parentEnd`. The loader would follow such a chunk's size wherever it points and
    // read its fields from beyond it (a TRIS chunk of size -4 still has its brush read), so
    // the file is refused rather than only the walk stopped.
    std::size_t chunkEnd(std::size_t pos, std::size_t parentEnd)
    {
        const char* parent = pos == 0 ? "the file" : "its parent";
        if (parentEnd - pos < HEADER) {
            fail(std::string("a chunk header cut short by the end of ") + parent, pos);
            return 0;
        }
        const std::int32_t length = intAt(pos + 4);
        if (length < 0 || static_cast<std::size_t>(length) > parentEnd - pos - HEADER) {
            fail(tagAt(pos) + " of size " + std::to_string(length) + " that does not fit " + parent, pos);
            return 0;
        }
        return pos + HEADER + static_cast<std::size_t>(length);
    }

    // n_texs once, then per brush: name, r, g, b, a, shininess, blend, fx, n_texs texture ids.
    bool brushes(std::size_t pos, std::size_t end)
    {
        brushChunkSeen = true;
        const std::size_t start = pos;
        if (end - pos < 4) {
            fail("a BRUS chunk without its texture count", start);
            return false;
        }
        const std::int32_t textures = intAt(pos);
        pos += 4;
        if (textures < 0) {
            fail("a BRUS chunk with " + std::to_string(textures) + " textures per brush", start);
            return false;
        }
        const std::size_t record = 28 + 4 * static_cast<std::size_t>(textures);
        while (pos < end) {
            const void* zero = std::memchr(data + pos, 0, end - pos);
            const std::size_t afterName
                = zero ? static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - data) + 1 : end;
            if (!zero || end - afterName < record) {
                fail("a BRUS chunk whose brushes do not fill it", start);
                return false;
            }
            pos = afterName + record;
            ++brushCount;
        }
        return true;
    }

    bool brushIndex(std::size_t pos)
    {
        const std::int32_t brush = intAt(pos);
        if (brush == -1 || (brush >= 0 && brush < brushCount))
            return true;
        fail("brush " + std::to_string(brush) + " of " + std::to_string(brushCount) + " defined before it", pos);
        return false;
    }

    // name, position, scale, rotation, then child chunks (NODE, MESH, BONE, KEYS, ANIM).
    bool node(std::size_t pos, std::size_t end)
    {
        const std::size_t start = pos - HEADER;
        const void* zero = std::memchr(data + pos, 0, end - pos);
        if (zero)
            pos = static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - data) + 1;
        if (!zero || end - pos < 40) {
            fail("a NODE chunk too short for its name and transform", start);
            return false;
        }
        for (pos += 40; pos < end;) {
            const std::size_t childEnd = chunkEnd(pos, end);
            if (childEnd == 0)
                return false;
            if (tagIs(pos, "NODE") && !node(pos + HEADER, childEnd))
                return false;
            if (tagIs(pos, "MESH") && !mesh(pos + HEADER, childEnd))
                return false;
            pos = childEnd;
        }
        return true;
    }

    // brush id, then VRTS and TRIS chunks; each TRIS starts with its brush id. The loader
    // reads a brush id even where its chunk has no room for one.
    bool mesh(std::size_t pos, std::size_t end)
    {
        if (end - pos < 4) {
            fail("a MESH chunk without its brush", pos - HEADER);
            return false;
        }
        if (!brushIndex(pos))
            return false;
        for (pos += 4; pos < end;) {
            const std::size_t childEnd = chunkEnd(pos, end);
            if (childEnd == 0)
                return false;
            if (tagIs(pos, "TRIS") && childEnd - pos < HEADER + 4) {
                fail("a TRIS chunk without its brush", pos);
                return false;
            }
            if (tagIs(pos, "TRIS") && !brushIndex(pos + HEADER))
                return false;
            pos = childEnd;
        }
        return true;
    }

    const unsigned char* data;
    std::size_t size;
    std::int32_t brushCount = 0;
    bool brushChunkSeen = false;
    std::string error;
};

} // namespace

std::string checkB3DStructure(const unsigned char* data, std::size_t size)
{
    if (!data)
        return std::string();
    return B3DWalk(data, size).run();
}

std::string checkB3DStructureFile(irr::io::IFileSystem* fileSystem, const char* name, bool& found)
{
    std::vector<unsigned char> bytes;
    const std::string error = readMediaFile(fileSystem, name, found, bytes);
    return error.empty() ? checkB3DStructure(bytes.data(), bytes.size()) : error;
}

} // namespace modules

namespace modules {

namespace {

constexpr int MAX_NODE_DEPTH = 64;

// Reads NODE > MESH > VRTS + TRIS. Unlike B3DWalk it keeps what it reads, so it checks each
// field itself rather than relying on a walk beforehand.
class B3DTriangleReader {
public:
    B3DTriangleReader(const unsigned char* data, std::size_t size, std::vector<irr::core::triangle3df>& triangles)
        : data(data)
        , size(size)
        , triangles(triangles)
    {
    }

    std::string run()
    {
        if (size < HEADER + 4 || std::memcmp(data, "BB3D", 4) != 0)
            return "not a B3D file (no \"BB3D\" header)";
        std::size_t end = 0;
        if (!chunk(0, size, end))
            return error;
        if (!children(HEADER + 4, end, irr::core::matrix4(), 0))
            return error;
        return error;
    }

private:
    bool fail(const std::string& what, std::size_t at)
    {
        error = what + " at byte " + std::to_string(at);
        return false;
    }

    std::int32_t intAt(std::size_t pos) const { return littleEndianInt(data, pos); }

    float floatAt(std::size_t pos) const
    {
        const std::int32_t bits = intAt(pos);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    bool chunk(std::size_t pos, std::size_t parentEnd, std::size_t& end)
    {
        if (parentEnd - pos < HEADER)
            return fail("a chunk header cut short", pos);
        const std::int32_t length = intAt(pos + 4);
        if (length < 0 || static_cast<std::size_t>(length) > parentEnd - pos - HEADER)
            return fail("a chunk of size " + std::to_string(length) + " that does not fit its parent", pos);
        end = pos + HEADER + static_cast<std::size_t>(length);
        return true;
    }

    bool tagIs(std::size_t pos, const char* tag) const { return std::memcmp(data + pos, tag, 4) == 0; }

    bool children(std::size_t pos, std::size_t end, const irr::core::matrix4& placement, int depth)
    {
        while (pos < end) {
            std::size_t childEnd = 0;
            if (!chunk(pos, end, childEnd))
                return false;
            if (tagIs(pos, "NODE") && !node(pos, childEnd, placement, depth + 1))
                return false;
            if (tagIs(pos, "MESH") && depth > 0 && !mesh(pos, childEnd, placement))
                return false;
            pos = childEnd;
        }
        return true;
    }

    // name, position, scale, rotation (w, x, y, z), then its children; placed as the engine
    // places a joint: parent * translation * rotation * scale.
    bool node(std::size_t start, std::size_t end, const irr::core::matrix4& parent, int depth)
    {
        if (depth > MAX_NODE_DEPTH)
            return fail("nodes nested more than " + std::to_string(MAX_NODE_DEPTH) + " deep", start);
        std::size_t pos = start + HEADER;
        const void* zero = std::memchr(data + pos, 0, end - pos);
        if (zero)
            pos = static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - data) + 1;
        if (!zero || end - pos < 40)
            return fail("a NODE chunk too short for its name and transform", start);
        float f[10];
        for (int i = 0; i < 10; ++i)
            f[i] = floatAt(pos + 4 * static_cast<std::size_t>(i));
        irr::core::matrix4 translation, scale, rotation;
        translation.setTranslation({f[0], f[1], f[2]});
        scale.setScale({f[3], f[4], f[5]});
        irr::core::quaternion(f[7], f[8], f[9], f[6]).getMatrix_transposed(rotation);
        return children(pos + 40, end, parent * translation * rotation * scale, depth);
    }

    // brush, then VRTS (flags, texture sets, set size, vertices) and TRIS (brush, index triples).
    bool mesh(std::size_t start, std::size_t end, const irr::core::matrix4& placement)
    {
        std::vector<irr::core::vector3df> vertices;
        std::size_t pos = start + HEADER;
        if (end - pos < 4)
            return fail("a MESH chunk without its brush", start);
        for (pos += 4; pos < end;) {
            std::size_t childEnd = 0;
            if (!chunk(pos, end, childEnd))
                return false;
            if (tagIs(pos, "VRTS") && !vertexBlock(pos, childEnd, placement, vertices))
                return false;
            if (tagIs(pos, "TRIS") && !triangleBlock(pos, childEnd, vertices))
                return false;
            pos = childEnd;
        }
        return true;
    }

    bool vertexBlock(std::size_t start, std::size_t end, const irr::core::matrix4& placement,
                     std::vector<irr::core::vector3df>& vertices)
    {
        std::size_t pos = start + HEADER;
        if (end - pos < 12)
            return fail("a VRTS chunk without its layout", start);
        const std::int32_t flags = intAt(pos), sets = intAt(pos + 4), setSize = intAt(pos + 8);
        // The engine keeps at most a few texture coordinate sets of up to 4 values.
        if (sets < 0 || sets > 8 || setSize < 0 || setSize > 4)
            return fail("a VRTS chunk with " + std::to_string(sets) + " texture sets of " + std::to_string(setSize),
                        start);
        const std::size_t record = 4
            * (3 + ((flags & 1) ? 3 : 0) + ((flags & 2) ? 4 : 0) + static_cast<std::size_t>(sets * setSize));
        pos += 12;
        if ((end - pos) % record != 0)
            return fail("a VRTS chunk whose vertices do not fill it", start);
        for (; pos < end; pos += record) {
            irr::core::vector3df p(floatAt(pos), floatAt(pos + 4), floatAt(pos + 8));
            placement.transformVect(p);
            vertices.push_back(p);
        }
        return true;
    }

    bool triangleBlock(std::size_t start, std::size_t end, const std::vector<irr::core::vector3df>& vertices)
    {
        std::size_t pos = start + HEADER;
        if (end - pos < 4)
            return fail("a TRIS chunk without its brush", start);
        pos += 4;
        if ((end - pos) % 12 != 0)
            return fail("a TRIS chunk whose triangles do not fill it", start);
        for (; pos < end; pos += 12) {
            irr::core::vector3df corner[3];
            for (int i = 0; i < 3; ++i) {
                const std::size_t at = pos + 4 * static_cast<std::size_t>(i);
                const std::int32_t index = intAt(at);
                if (index < 0 || static_cast<std::size_t>(index) >= vertices.size())
                    return fail("vertex " + std::to_string(index) + " of " + std::to_string(vertices.size()), at);
                corner[i] = vertices[static_cast<std::size_t>(index)];
            }
            triangles.emplace_back(corner[0], corner[1], corner[2]);
        }
        return true;
    }

    const unsigned char* data;
    std::size_t size;
    std::vector<irr::core::triangle3df>& triangles;
    std::string error;
};

} // namespace

std::string readB3DTriangles(const unsigned char* data, std::size_t size,
                             std::vector<irr::core::triangle3df>& triangles)
{
    triangles.clear();
    if (!data)
        return "no data";
    return B3DTriangleReader(data, size, triangles).run();
}

} // namespace modules
