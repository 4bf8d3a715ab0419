// The maze file: the shipped maze reads as drawn and blocks the straight way to its goal;
// damaged or misplaced mazes are refused with one line naming the file and the fault; the
// mesh's triangles are placed as the engine's own loader places them.

#include "media/B3DStructure.h"
#include "media/MazeFile.h"

#include <irrlicht.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using modules::MazeLayout;
using irr::core::vector2df;
using irr::core::vector3df;

namespace {

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/kinetarium-maze.XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string path;
};

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A B3D file by hand: chunks of little-endian fields.
std::string le(std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string le(float v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string chunk(const char* tag, const std::string& body)
{
    return tag + le(static_cast<std::int32_t>(body.size())) + body;
}
std::string node(vector3df position, vector3df scale, float w, vector3df axis, const std::string& children)
{
    std::string body(1, '\0');
    for (float f : {position.X, position.Y, position.Z, scale.X, scale.Y, scale.Z, w, axis.X, axis.Y, axis.Z})
        body += le(f);
    return chunk("NODE", body + children);
}
std::string plainNode(const std::string& children) { return node({0, 0, 0}, {1, 1, 1}, 1, {0, 0, 0}, children); }
// One triangle, vertices with normals and colours as the tools write them, indices given.
std::string triangleMesh(std::int32_t last = 2)
{
    std::string vertices = le(3) + le(0) + le(0);
    for (const vector3df& p : {vector3df(0, 0, 0), vector3df(1, 0, 0), vector3df(0, 0.5f, 1)}) {
        for (float f : {p.X, p.Y, p.Z, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f})
            vertices += le(f);
    }
    return chunk("MESH", le(-1) + chunk("VRTS", vertices) + chunk("TRIS", le(-1) + le(0) + le(1) + le(last)));
}
std::string b3d(const std::string& nodes) { return chunk("BB3D", le(1) + nodes); }

const char* const GOOD_JSON = R"({"format": "kinetarium-maze", "version": 1, "mesh": "maze.b3d",
 "start": [-3.8, 3.8], "heading": 0, "goal": [3.8, -3.8]})";

// GOOD_JSON with one member's value replaced (or, for nullptr, the member left out).
std::string withMember(const std::string& name, const char* value)
{
    const std::map<std::string, std::string> members = {{"format", "\"kinetarium-maze\""}, {"version", "1"},
        {"mesh", "\"maze.b3d\""}, {"start", "[-3.8, 3.8]"}, {"heading", "0"}, {"goal", "[3.8, -3.8]"}};
    std::string text = "{";
    for (const auto& [key, shipped] : members) {
        if (key == name && !value)
            continue;
        text += (text.size() > 1 ? ",\n\"" : "\"") + key + "\": " + (key == name ? std::string(value) : shipped);
    }
    return text + "}";
}

enum class Mesh { Shipped, Missing, Halved, Garbage, Empty, DeepNodes, BadIndex };

TEST(MazeFileTest, RefusesEachFaultWithOneLineNamingTheFileAndTheFault)
{
    std::ifstream shippedFile("media/maze.b3d", std::ios::binary);
    const std::string shipped((std::istreambuf_iterator<char>(shippedFile)), std::istreambuf_iterator<char>());
    ASSERT_GT(shipped.size(), 100u) << "no media/maze.b3d in the build";
    std::string deep = triangleMesh();
    for (int i = 0; i < 100; ++i)
        deep = plainNode(deep);

    const struct {
        const char* file;
        std::string json;
        Mesh mesh;
        const char* fault;
    } cases[] = {
        {"m.json", GOOD_JSON, Mesh::Shipped, nullptr},
        {"m.json", "{\"format\": \"kinetarium-maze\",\n\"version\": 1,\n\"mesh\" \"maze.b3d\"}", Mesh::Shipped,
         "' is not valid JSON at line 3"},
        {"bad\nname.json", "{", Mesh::Shipped, "' is not valid JSON at line 1"},
        {"m.json", "[1, 2]", Mesh::Shipped, "' is not a JSON object"},
        {"m.json", std::string(300000, '[') + std::string(300000, ']'), Mesh::Shipped, "' is not a JSON object"},
        {"m.json", std::string(1 << 21, ' ') + GOOD_JSON, Mesh::Shipped, "' cannot be read: it is larger than 1 MiB"},
        {"m.json", withMember("format", "\"kinetarium-population\""), Mesh::Shipped,
         "' is not a maze: its \"format\" is \"kinetarium-population\", not \"kinetarium-maze\""},
        {"m.json", withMember("version", "2"), Mesh::Shipped, "': its \"version\" 2 is not 1"},
        {"m.json", withMember("goal", nullptr), Mesh::Shipped, "' has no \"goal\""},
        {"m.json", withMember("heading", nullptr), Mesh::Shipped, "' has no \"heading\""},
        {"m.json", withMember("heading", "\"north\""), Mesh::Shipped, "': its \"heading\" is not a number"},
        {"m.json", withMember("heading", "1e999"), Mesh::Shipped, "' holds a number too large to read"},
        {"m.json", withMember("heading", "-3e38"), Mesh::Shipped, nullptr},
        {"m.json", withMember("start", "[1, 2, 3]"), Mesh::Shipped, "': its \"start\" is not a pair of numbers"},
        {"m.json", withMember("goal", "[1e39, 0]"), Mesh::Shipped, "': its \"goal\" is not a pair of finite"},
        {"m.json", withMember("mesh", "7"), Mesh::Shipped, "': its \"mesh\" is not a file name"},
        {"m.json", GOOD_JSON, Mesh::Missing, "/maze.b3d' cannot be read: No such file or directory"},
        {"m.json", GOOD_JSON, Mesh::Halved, "/maze.b3d' cannot be read: a chunk of size"},
        {"m.json", GOOD_JSON, Mesh::Garbage, "/maze.b3d' cannot be read: not a B3D file"},
        {"m.json", GOOD_JSON, Mesh::Empty, "/maze.b3d' cannot be read: it has no triangles"},
        {"m.json", GOOD_JSON, Mesh::DeepNodes, "/maze.b3d' cannot be read: nodes nested more than 64 deep"},
        {"m.json", GOOD_JSON, Mesh::BadIndex, "/maze.b3d' cannot be read: vertex 3 of 3 at byte"},
        {"m.json", withMember("start", "[4.4, 0]"), Mesh::Shipped,
         "': the start (4.4, 0.0) lies outside the arena (|x| at most 4.35, |z| at most 4.35)"},
        {"m.json", withMember("goal", "[-1, -4.5]"), Mesh::Shipped, "': the goal (-1.0, -4.5) lies outside the arena"},
        {"m.json", withMember("goal", "[-1.5, -2.5]"), Mesh::Shipped, "': the goal (-1.5, -2.5) lies inside a wall"},
        {"m.json", withMember("start", "[2, -1.45]"), Mesh::Shipped, "': the start (2.0, -1.45) lies inside a wall"},
        {"m.json", withMember("start", "[2, -1.25]"), Mesh::Shipped, "': the start (2.0, -1.25) touches a wall"},
        {"m.json", withMember("goal", "[-1.3, -3]"), Mesh::Shipped, "': the goal (-1.3, -3.0) touches a wall"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = dir.path + "/" + c.file;
        writeFile(path, c.json);
        const std::string mesh = dir.path + "/maze.b3d";
        switch (c.mesh) {
        case Mesh::Shipped: writeFile(mesh, shipped); break;
        case Mesh::Missing: break;
        case Mesh::Halved: writeFile(mesh, shipped.substr(0, shipped.size() / 2)); break;
        case Mesh::Garbage: writeFile(mesh, std::string(4571, '\x9c')); break;
        case Mesh::Empty: writeFile(mesh, b3d(plainNode(""))); break;
        case Mesh::DeepNodes: writeFile(mesh, b3d(deep)); break;
        case Mesh::BadIndex: writeFile(mesh, b3d(plainNode(triangleMesh(3)))); break;
        }
        MazeLayout maze;
        std::string error = "stale";
        const bool read = modules::readMazeFile(path, 9.0f, 9.0f, maze, error);
        if (!c.fault) {
            EXPECT_TRUE(read) << error;
            EXPECT_EQ(error, "");
            EXPECT_EQ(maze.meshPath, mesh);
            continue;
        }
        std::string shownPath = path;
        if (shownPath.find('\n') != std::string::npos)
            shownPath.replace(shownPath.find('\n'), 1, "\\n");
        EXPECT_FALSE(read) << c.fault;
        EXPECT_EQ(error.rfind("Error: the maze file '" + shownPath + "'", 0), 0u) << error;
        EXPECT_NE(error.find(c.fault), std::string::npos) << "expected '" << c.fault << "' in: " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        if (c.mesh != Mesh::Shipped) {
            EXPECT_NE(error.find("': its mesh '" + mesh + "'"), std::string::npos) << error;
        }
    }
}

TEST(MazeFileTest, ShippedMazeDeceivesTheStraightWayAndLeavesTheLongWayOpen)
{
    MazeLayout maze;
    std::string error;
    ASSERT_TRUE(modules::readMazeFile(modules::mazePath("maze.json", "media"), 9.0f, 9.0f, maze, error)) << error;
    EXPECT_EQ(maze.meshPath, "media/maze.b3d");
    EXPECT_EQ(maze.start, vector2df(-3.8f, 3.8f));
    EXPECT_EQ(maze.heading, -45.0f); // facing the goal
    EXPECT_EQ(maze.goal, vector2df(3.8f, -3.8f));
    EXPECT_EQ(maze.walls.size(), 36u); // three boxes

    // The dead end at the far end of the room's wall is nearer the goal than the door, which
    // the way that works passes: fitness, the distance left, leads away from the way.
    const vector2df deadEnd(4.2f, -1.2f);
    const vector2df door(-1.5f, -4.2f);
    EXPECT_LT(deadEnd.getDistanceFrom(maze.goal) * 2.0f, door.getDistanceFrom(maze.goal));
    const struct {
        vector2df from, to;
        bool blocked;
    } legs[] = {
        {maze.start, maze.goal, true},      // the straight way, into the room's wall
        {deadEnd, maze.goal, true},         // from the dead end beside the goal
        {{-2.5f, -2.5f}, maze.goal, true},  // into the room through its side wall
        {maze.start, {-3.8f, -3.8f}, true},  // up the left side, into C
        {maze.start, {-2.2f, -2.5f}, false}, // through the gap between C and B
        {{-2.2f, -2.5f}, {-2.5f, -4.2f}, false},
        {{-2.5f, -4.2f}, maze.goal, false},  // through the door and along the room
        {maze.start, deadEnd, false},
    };
    for (const auto& leg : legs)
        EXPECT_EQ(modules::crossesWall(maze.walls, leg.from, leg.to), leg.blocked)
            << "(" << leg.from.X << ", " << leg.from.Y << ") to (" << leg.to.X << ", " << leg.to.Y << ")";
}

TEST(MazeFileTest, MazePathLooksUpBareNamesInTheDataFolder)
{
    const struct {
        const char* value;
        const char* folder;
        const char* path;
    } cases[] = {
        {"maze.json", "media", "media/maze.json"},
        {"maze.json", "/opt/k/media/", "/opt/k/media/maze.json"},
        {"mine/maze.json", "media", "mine/maze.json"},
        {"./maze.json", "media", "./maze.json"},
        {"/tmp/maze.json", "media", "/tmp/maze.json"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(modules::mazePath(c.value, c.folder), c.path) << c.value;
}

// Nested nodes that move, turn and scale their mesh: the triangles come out where the
// engine's loader puts the vertices.
TEST(MazeFileTest, TrianglesArePlacedAsTheEngineLoadsThem)
{
    const float s = std::sqrt(0.5f);
    const std::string file = b3d(node({1, 0, -2}, {2, 1, 1}, s, {0, s, 0},
                                      node({0, 0.5f, 3}, {1, 1, 0.5f}, s, {s, 0, 0}, triangleMesh())));
    std::vector<irr::core::triangle3df> triangles;
    ASSERT_EQ(modules::readB3DTriangles(reinterpret_cast<const unsigned char*>(file.data()), file.size(), triangles),
              "");
    ASSERT_EQ(triangles.size(), 1u);

    TempDir dir;
    writeFile(dir.path + "/t.b3d", file);
    irr::IrrlichtDevice* device = irr::createDevice(irr::video::EDT_NULL);
    ASSERT_NE(device, nullptr);
    irr::scene::IAnimatedMesh* mesh = device->getSceneManager()->getMesh((dir.path + "/t.b3d").c_str());
    ASSERT_NE(mesh, nullptr);
    irr::scene::IMeshBuffer* buffer = mesh->getMesh(0)->getMeshBuffer(0);
    ASSERT_EQ(buffer->getIndexCount(), 3u);
    const vector3df mine[3] = {triangles[0].pointA, triangles[0].pointB, triangles[0].pointC};
    for (irr::u32 i = 0; i < 3; ++i) {
        const vector3df engine = buffer->getPosition(buffer->getIndices()[i]);
        EXPECT_TRUE(engine.equals(mine[i], 1e-4f)) << "corner " << i << ": engine (" << engine.X << ", "
            << engine.Y << ", " << engine.Z << "), read (" << mine[i].X << ", " << mine[i].Y << ", " << mine[i].Z << ")";
    }
    device->drop();
}

} // namespace
