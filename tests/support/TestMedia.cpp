#include "TestMedia.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testing_support {

namespace fs = std::filesystem;

Chunk::Chunk(const char* tag)
    : tag(tag)
{
}

Chunk& Chunk::i(std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int k = 0; k < 4; ++k)
        body.push_back(static_cast<std::uint8_t>(bits >> (8 * k)));
    return *this;
}

Chunk& Chunk::f(float value)
{
    std::int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return i(bits);
}

Chunk& Chunk::s(const std::string& text)
{
    body.insert(body.end(), text.begin(), text.end());
    body.push_back(0);
    return *this;
}

Chunk& Chunk::add(const Chunk& child)
{
    const Bytes bytes = child.bytes();
    body.insert(body.end(), bytes.begin(), bytes.end());
    return *this;
}

Bytes Chunk::bytes() const
{
    Bytes out(tag.begin(), tag.end());
    const auto size = static_cast<std::uint32_t>(body.size());
    for (int k = 0; k < 4; ++k)
        out.push_back(static_cast<std::uint8_t>(size >> (8 * k)));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes readBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

void writeMediaCase(const std::string& mediaDir, const std::string& dir, const MediaCase& mediaCase)
{
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy(mediaDir, dir + "/media", fs::copy_options::recursive);
    writeBytes(dir + "/media/" + mediaCase.file, mediaCase.bytes);
}

namespace {

Chunk identityNode(const std::string& name)
{
    Chunk node("NODE");
    node.s(name).f(0).f(0).f(0).f(1).f(1).f(1).f(1).f(0).f(0).f(0);
    return node;
}

Chunk texture(const std::string& file)
{
    Chunk texs("TEXS");
    texs.s(file).i(1).i(2).f(0).f(0).f(1).f(1).f(0);
    return texs;
}

Chunk textures(int count, const std::string& prefix)
{
    Chunk texs("TEXS");
    for (int k = 0; k < count; ++k)
        texs.s(prefix + std::to_string(k) + ".png").i(1).i(2).f(0).f(0).f(1).f(1).f(0);
    return texs;
}

// One triangle whose triangle list names brush `brush`.
Chunk triangleNode(int brush)
{
    Chunk vrts("VRTS");
    vrts.i(0).i(0).i(0);
    for (int k = 0; k < 3; ++k)
        vrts.f(k == 1 ? 0.2f : 0.0f).f(0).f(k == 2 ? 0.2f : 0.0f);
    Chunk tris("TRIS");
    tris.i(brush).i(0).i(1).i(2);
    Chunk mesh("MESH");
    mesh.i(-1).add(vrts).add(tris);
    Chunk node = identityNode("car");
    node.add(mesh);
    return node;
}

// One texture per brush; `textures` names the texture of each brush (-1: none).
Chunk brushes(const std::vector<int>& textures)
{
    Chunk brus("BRUS");
    brus.i(1);
    for (std::size_t k = 0; k < textures.size(); ++k)
        brus.s("brush" + std::to_string(k)).f(0.8f).f(0.3f - 0.1f * static_cast<float>(k)).f(0.2f).f(1).f(0).i(1).i(0)
            .i(textures[k]);
    return brus;
}

// A box 0.16 wide, 0.06 high and 0.25 long around the origin (its front at -Z), normals and
// one UV set, the top in brush 0 and the rest in `otherBrush`.
Chunk boxMesh(int otherBrush)
{
    Chunk vrts("VRTS");
    vrts.i(1).i(1).i(2);
    for (int k = 0; k < 8; ++k) {
        const float x = (k & 1) ? 0.08f : -0.08f;
        const float y = (k & 2) ? 0.06f : 0.0f;
        const float z = (k & 4) ? 0.125f : -0.125f;
        const float length = std::sqrt(x * x + y * y + z * z) + 1e-6f;
        vrts.f(x).f(y).f(z).f(x / length).f(y / length).f(z / length).f((k & 1) ? 1.0f : 0.0f).f((k & 4) ? 1.0f : 0.0f);
    }
    Chunk top("TRIS");
    top.i(0).i(2).i(6).i(3).i(3).i(6).i(7);
    Chunk rest("TRIS");
    rest.i(otherBrush);
    const int faces[][6] = {{0, 1, 4, 4, 1, 5}, {0, 4, 2, 2, 4, 6}, {1, 3, 5, 5, 3, 7},
                            {0, 2, 1, 1, 2, 3}, {4, 5, 6, 6, 5, 7}};
    for (const auto& face : faces)
        for (int index : face)
            rest.i(index);
    Chunk mesh("MESH");
    mesh.i(-1).add(vrts).add(top).add(rest);
    return mesh;
}

// A skinned vehicle as exporters write it: textures, brushes, a mesh, an ANIM chunk with
// `frames` frames, and a bone node with weights and position and rotation keys.
Bytes animatedVehicle(int frames)
{
    Chunk bone("BONE");
    for (int k = 0; k < 8; ++k)
        bone.i(k).f(k < 4 ? 1.0f : 0.5f);
    Chunk keys("KEYS");
    keys.i(1 | 4);
    const int keyCount = frames > 0 ? 3 : 1;
    for (int k = 0; k < keyCount; ++k) {
        const float t = static_cast<float>(k) * 0.5f;
        keys.i(frames > 0 ? 1 + k * (frames - 1) / 2 : 1).f(0).f(0.01f * t).f(0).f(std::cos(t * 0.3f)).f(0)
            .f(std::sin(t * 0.3f)).f(0);
    }
    Chunk boneNode = identityNode("wheel");
    boneNode.add(bone).add(keys);
    Chunk anim("ANIM");
    anim.i(0).i(frames).f(frames > 0 ? 24.0f : 0.0f);
    Chunk root = identityNode("car");
    root.add(boxMesh(1)).add(anim).add(boneNode);
    Chunk file("BB3D");
    file.i(1).add(texture("font1.png")).add(brushes({0, -1})).add(root);
    return file.bytes();
}

std::string text(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

Bytes bytesOf(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

std::string replaceAll(std::string s, const std::string& from, const std::string& to)
{
    for (std::size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from, pos + to.size()))
        s.replace(pos, from.size(), to);
    return s;
}

// `what` put in after the first line (the XML declaration).
Bytes afterFirstLine(const Bytes& file, const std::string& what)
{
    std::string s = text(file);
    s.insert(s.find('\n') + 1, what + "\n");
    return bytesOf(s);
}

Bytes firstHalf(const Bytes& file)
{
    return Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2));
}

} // namespace

std::vector<MediaCase> acceptedMediaCases(const std::string& mediaDir)
{
    const std::string font = text(readBytes(mediaDir + "/font1/font.xml"));
    const std::size_t firstGlyph = font.find("  <c ");
    std::string emptyFirst = font;
    emptyFirst.insert(firstGlyph, "  <c c=\"\" r=\"1,1,2,2\" />\n");
    std::string commented = font;
    commented.insert(firstGlyph, "  <!-- glyphs left out:\n  <c c=\"~\" r=\"1,1,6,17\" />\n"
                                 "  <c c=\"&lt;\" r=\"13,18,26,34\" /> -->\n");
    return {
        {"vehicle_anim_0_frames", "vehicle.b3d", animatedVehicle(0),
         "a vehicle with a texture, two brushes, ANIM, KEYS and BONE chunks and 0 frames"},
        {"vehicle_anim_12_frames", "vehicle.b3d", animatedVehicle(12),
         "a vehicle with a texture, two brushes, ANIM, KEYS and BONE chunks and 12 frames"},
        {"font_empty_first_glyph", "font1/font.xml", bytesOf(emptyFirst), "a font whose first glyph has c=\"\""},
        {"font_attributes_unspaced", "font1/font.xml", bytesOf(replaceAll(font, "\" r=\"", "\"r=\"")),
         "a font whose attributes follow the quotes without a space"},
        {"font_commented_glyphs", "font1/font.xml", bytesOf(commented),
         "a font with <c .../> lines inside a comment"},
    };
}

std::vector<MediaCase> damagedMediaCases(const std::string& mediaDir)
{
    const Bytes gui = readBytes(mediaDir + "/gui.xml");
    const Bytes font = readBytes(mediaDir + "/font1/font.xml");
    const Bytes walls = readBytes(mediaDir + "/walls.b3d");
    const Bytes vehicle = readBytes(mediaDir + "/vehicle.b3d");

    std::string itemCount = text(gui);
    const std::size_t count = itemCount.find("<int name=\"ItemCount\"");
    const std::size_t countEnd = itemCount.find("/>", count) + 2;
    std::string asString = itemCount;
    asString.replace(count, countEnd - count, "<string name=\"ItemCount\" value=\"-1\"/>");
    std::string asFloat = itemCount;
    asFloat.replace(count, countEnd - count, "<float name=\"ItemCount\" value=\"-1.0\"/>");

    // TEXS, BRUS, TEXS: the second TEXS grows the texture list out of its place while the
    // brush still points into it.
    Chunk texsBrusTexs("BB3D");
    texsBrusTexs.i(1).add(textures(20, "first")).add(brushes({0})).add(textures(40, "late")).add(triangleNode(0));

    // Brush 9 of 7: past the end of the material list.
    Chunk brushPast("BB3D");
    brushPast.i(1).add(brushes({-1, -1, -1, -1, -1, -1, -1})).add(triangleNode(9));

    // The same triangle list with its size set to -4: the loader still reads its brush, and
    // a walk that stops at the size never sees it.
    Bytes brushHidden = brushPast.bytes();
    const std::size_t tris = text(brushHidden).find("TRIS");
    for (std::size_t k = 0; k < 4; ++k)
        brushHidden[tris + 4 + k] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(-4) >> (8 * k));

    // Two triangles whose corners differ by one float step (above the engine's rounding
    // error at 100): the octree's middle is a corner, and it splits them forever.
    Chunk tinyVertices("VRTS");
    tinyVertices.i(0).i(0).i(0);
    const float one = 100.0f;
    const float next = std::nextafter(one, 200.0f);
    for (float x : {one, next})
        for (float z : {one, next})
            tinyVertices.f(x).f(one).f(z);
    Chunk tinyTriangles("TRIS");
    tinyTriangles.i(-1).i(0).i(1).i(2).i(2).i(1).i(3);
    Chunk tinyMesh("MESH");
    tinyMesh.i(-1).add(tinyVertices).add(tinyTriangles);
    Chunk tinyRoot("NODE");
    tinyRoot.s("").f(0).f(0).f(0).f(1).f(1).f(1).f(1).f(0).f(0).f(0).add(tinyMesh);
    Chunk tinyWalls("BB3D");
    tinyWalls.i(1).add(tinyRoot);

    Bytes hugeChunk = walls;
    hugeChunk[4] = hugeChunk[5] = hugeChunk[6] = 0xFF;
    hugeChunk[7] = 0;

    return {
        {"gui_comment_empty", "gui.xml", afterFirstLine(gui, "<!-->"), "a comment written <!--> in gui.xml"},
        {"gui_comment_dash", "gui.xml", afterFirstLine(gui, "<!--->"), "a comment written <!---> in gui.xml"},
        {"font_comment_empty", "font1/font.xml", afterFirstLine(font, "<!-->"), "a comment written <!--> in font.xml"},
        {"gui_item_count_string", "gui.xml", bytesOf(asString), "the combo box's ItemCount stored as a string"},
        {"gui_item_count_float", "gui.xml", bytesOf(asFloat), "the combo box's ItemCount stored as a float"},
        {"vehicle_texs_brus_texs", "vehicle.b3d", texsBrusTexs.bytes(), "TEXS, BRUS, then a second TEXS"},
        {"vehicle_brush_past_end", "vehicle.b3d", brushPast.bytes(), "a triangle list naming brush 9 of 7"},
        {"vehicle_brush_hidden", "vehicle.b3d", brushHidden, "a triangle list of size -4 naming brush 9 of 7"},
        {"walls_tiny_triangles", "walls.b3d", tinyWalls.bytes(), "walls whose octree splits forever"},
        {"walls_huge_chunk", "walls.b3d", hugeChunk, "a chunk size far past the end of the file"},
        {"walls_cut", "walls.b3d", firstHalf(walls), "walls.b3d cut in half"},
        {"vehicle_cut", "vehicle.b3d", firstHalf(vehicle), "vehicle.b3d cut in half"},
        {"gui_cut", "gui.xml", firstHalf(gui), "gui.xml cut in half"},
    };
}

} // namespace testing_support
