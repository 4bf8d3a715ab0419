#include "media/B3DStructure.h"

#include "media/MediaFile.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace modules {

namespace {

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

    std::int32_t intAt(std::size_t pos) const
    {
        std::uint32_t bits = 0;
        for (int i = 3; i >= 0; --i)
            bits = (bits << 8) | data[pos + static_cast<std::size_t>(i)];
        std::int32_t value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

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
