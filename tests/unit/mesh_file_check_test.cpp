// The structural check of B3D files that every mesh passes before the engine's loader sees
// it: the program's own meshes pass, damaged ones are refused with a reason, and whatever
// the check lets through the engine loads without crashing or hanging.

#include "ChildProcess.h"

#include "B3DWriter.h"
#include "world/MeshFileCheck.h"

#include <irrlicht.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using modules::checkB3DMesh;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes readMedia(const char* name)
{
    std::ifstream file(std::string("media/") + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string check(const Bytes& bytes)
{
    return checkB3DMesh(bytes.data(), bytes.size());
}

void putInt(Bytes& bytes, std::size_t at, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
}

std::int32_t intAt(const Bytes& bytes, std::size_t at)
{
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | bytes[at + static_cast<std::size_t>(i)];
    return static_cast<std::int32_t>(bits);
}

std::size_t find(const Bytes& bytes, const char* tag, std::size_t from = 0)
{
    for (std::size_t i = from; i + 4 <= bytes.size(); ++i)
        if (std::memcmp(bytes.data() + i, tag, 4) == 0)
            return i;
    ADD_FAILURE() << "no " << tag << " chunk";
    return 0;
}

// One brush, four vertices, two triangles: the smallest mesh of the program's kind.
modules::B3DMesh quad()
{
    modules::B3DMesh mesh;
    mesh.brushes.push_back(modules::B3DBrush{"grey", 0.5f, 0.5f, 0.5f, 1.0f, 0.0f, 0});
    for (float x : {0.0f, 1.0f})
        for (float z : {0.0f, 1.0f})
            mesh.vertices.push_back(modules::B3DVertex{x, 0, z, 0, 1, 0, 1, 1, 1, 1});
    modules::B3DSurface surface;
    surface.brush = 0;
    surface.indices = {0, 1, 2, 2, 1, 3};
    mesh.surfaces.push_back(surface);
    return mesh;
}

// The engine loads the bytes as a mesh in a child process: 0 loaded with geometry, 1 refused.
testing_support::ChildResult loadInEngine(const Bytes& bytes)
{
    return testing_support::runInChild(
        [&bytes]() {
            irr::IrrlichtDevice* device = irr::createDevice(irr::video::EDT_NULL, irr::core::dimension2du(64, 64));
            device->getLogger()->setLogLevel(irr::ELL_NONE);
            Bytes copy = bytes;
            irr::io::IReadFile* file = device->getFileSystem()->createMemoryReadFile(
                copy.data(), static_cast<irr::s32>(copy.size()), "mutant.b3d", false);
            irr::scene::IAnimatedMesh* mesh = device->getSceneManager()->getMesh(file);
            file->drop();
            const bool loaded = mesh && mesh->getMesh(0) && mesh->getMesh(0)->getMeshBufferCount() > 0;
            device->drop();
            return loaded ? 0 : 1;
        },
        20);
}

} // namespace

TEST(MeshFileCheck, TheProgramsMeshesPass)
{
    for (const char* name : {"ground.b3d", "walls.b3d", "vehicle.b3d"}) {
        const Bytes bytes = readMedia(name);
        ASSERT_GT(bytes.size(), 100u) << name;
        EXPECT_EQ(check(bytes), "") << name;
    }
    EXPECT_EQ(check(modules::B3DWriter::encode(quad())), "");
}

TEST(MeshFileCheck, EveryTruncationIsRefused)
{
    for (const char* name : {"walls.b3d", "vehicle.b3d"}) {
        const Bytes whole = readMedia(name);
        ASSERT_FALSE(whole.empty());
        for (std::size_t length = 0; length < whole.size(); ++length) {
            const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            ASSERT_NE(check(cut), "") << name << " cut to " << length << " bytes";
        }
    }
}

TEST(MeshFileCheck, RefusesEachKindOfDamageWithAReason)
{
    const Bytes good = modules::B3DWriter::encode(quad());
    ASSERT_EQ(check(good), "");
    const std::size_t brus = find(good, "BRUS");
    const std::size_t node = find(good, "NODE");
    const std::size_t mesh = find(good, "MESH");
    const std::size_t vrts = find(good, "VRTS");
    const std::size_t tris = find(good, "TRIS");

    struct Case {
        const char* what;
        Bytes bytes;
        const char* reason;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, const char* reason, auto change) {
        Bytes bytes = good;
        change(bytes);
        cases.push_back({what, bytes, reason});
    };
    add("empty file", "not a B3D file", [](Bytes& b) { b.clear(); });
    add("another format", "not a B3D file", [](Bytes& b) { std::memcpy(b.data(), "PK\3\4", 4); });
    add("file size too large (the loader would read on forever)", "larger than the file",
        [](Bytes& b) { putInt(b, 4, intAt(b, 4) + 1000); });
    add("negative size", "negative size", [&](Bytes& b) { putInt(b, node + 4, -8); });
    add("child larger than its parent", "larger than its parent", [&](Bytes& b) { putInt(b, vrts + 4, intAt(b, mesh + 4)); });
    add("mesh brush out of range", "brush 3 of 1", [&](Bytes& b) { putInt(b, mesh + 8, 3); });
    add("triangle brush out of range", "brush 1 of 1", [&](Bytes& b) { putInt(b, tris + 8, 1); });
    add("negative brush", "brush -2 of 1", [&](Bytes& b) { putInt(b, tris + 8, -2); });
    add("brushes after the geometry that uses them", "brush 0 of 0", [&](Bytes& b) {
        Bytes moved(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(brus));
        moved.insert(moved.end(), b.begin() + static_cast<std::ptrdiff_t>(node), b.end());
        moved.insert(moved.end(), b.begin() + static_cast<std::ptrdiff_t>(brus),
                     b.begin() + static_cast<std::ptrdiff_t>(node));
        b = moved;
    });
    add("vertex index past the end", "vertex 4 of 4", [&](Bytes& b) { putInt(b, tris + 12, 4); });
    add("negative vertex index", "vertex -1 of 4", [&](Bytes& b) { putInt(b, tris + 16, -1); });
    add("node name without its end", "a string without its end", [&](Bytes& b) {
        b.resize(node + 8 + 4);
        std::memcpy(b.data() + node + 8, "root", 4);
        putInt(b, node + 4, 4);
        putInt(b, 4, static_cast<std::int32_t>(b.size() - 8));
    });
    add("infinite vertex coordinate", "not finite", [&](Bytes& b) { putInt(b, vrts + 20, 0x7F800000); });
    add("NaN in the node transform", "not finite", [&](Bytes& b) { putInt(b, node + 8 + 5, 0x7FC00000); });
    add("three texture coordinate sets", "texture coordinates of 3 sets", [&](Bytes& b) { putInt(b, vrts + 12, 3); });
    add("vertex block of part of a vertex", "whole vertices", [&](Bytes& b) {
        // One byte less in the vertex block: its parents shrink with it.
        b.erase(b.begin() + static_cast<std::ptrdiff_t>(tris) - 1);
        for (std::size_t at : {std::size_t{4}, node + 4, mesh + 4, vrts + 4})
            putInt(b, at, intAt(b, at) - 1);
    });
    add("triangle list of part of a triangle", "whole triangles", [&](Bytes& b) {
        b.resize(b.size() - 4);
        for (std::size_t at : {std::size_t{4}, node + 4, mesh + 4, tris + 4})
            putInt(b, at, intAt(b, at) - 4);
    });
    add("animation chunk", "animation chunk BONE", [&](Bytes& b) { std::memcpy(b.data() + tris, "BONE", 4); });
    add("brush texture count out of range", "texture count", [&](Bytes& b) { putInt(b, brus + 8, 1 << 30); });
    add("a header cut off at the end", "header cut off", [&](Bytes& b) {
        b.insert(b.end(), {'X', 'T', 'R', 'A'});
        putInt(b, 4, intAt(b, 4) + 4);
    });

    Bytes deep(good.begin(), good.begin() + 12);
    for (int i = 0; i < modules::MAX_NODE_DEPTH + 1; ++i) {
        deep.insert(deep.end(), {'N', 'O', 'D', 'E', 0, 0, 0, 0, 0});
        deep.insert(deep.end(), 40, 0);
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(modules::MAX_NODE_DEPTH) + 1; ++i) {
        const std::size_t at = 12 + i * 49;
        putInt(deep, at + 4, static_cast<std::int32_t>(deep.size() - at - 8));
    }
    putInt(deep, 4, static_cast<std::int32_t>(deep.size() - 8));
    cases.push_back({"nodes nested too deep", deep, "nested more than"});

    for (const Case& c : cases) {
        const std::string reason = check(c.bytes);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.what << ": got \"" << reason << "\"";
    }
}

TEST(MeshFileCheck, UnknownChunksAreSkippedAsTheLoaderSkipsThem)
{
    Bytes bytes = modules::B3DWriter::encode(quad());
    bytes.insert(bytes.end(), {'X', 'T', 'R', 'A', 3, 0, 0, 0, 1, 2, 3});
    putInt(bytes, 4, intAt(bytes, 4) + 11);
    EXPECT_EQ(check(bytes), "");
    EXPECT_EQ(loadInEngine(bytes).describe(), "exit status 0");
}

// Random damage to the program's meshes: what the check refuses is refused, and what it
// lets through, the engine loads (or turns down) without crashing or hanging.
TEST(MeshFileCheck, WhatPassesTheCheckNeverCrashesOrHangsTheLoader)
{
    std::mt19937 random(20240611u);
    int refused = 0;
    int passed = 0;
    for (const char* name : {"walls.b3d", "vehicle.b3d"}) {
        const Bytes whole = readMedia(name);
        ASSERT_FALSE(whole.empty());
        for (int round = 0; round < 500; ++round) {
            Bytes bytes = whole;
            const int kind = round % 4;
            std::uniform_int_distribution<std::size_t> at(0, bytes.size() - 4);
            if (kind == 0) { // a few random bytes
                for (int i = 0; i < 1 + round % 8; ++i)
                    bytes[at(random)] = static_cast<std::uint8_t>(random());
            } else if (kind == 1) { // an int-sized field set to an edge value
                const std::int32_t edges[] = {0, -1, 1, 2, 3, 0x7FFFFFFF, -0x7FFFFFFF - 1, 65535, 65536, 1000000};
                putInt(bytes, at(random) & ~std::size_t{3}, edges[random() % 10]);
            } else if (kind == 2) { // a chunk size off by a little
                const char* tags[] = {"BB3D", "BRUS", "NODE", "MESH", "VRTS", "TRIS"};
                const std::size_t chunk = find(bytes, tags[random() % 6]);
                putInt(bytes, chunk + 4, intAt(bytes, chunk + 4) + static_cast<std::int32_t>(random() % 41) - 20);
            } else { // garbage of the same length
                for (auto& b : bytes)
                    b = static_cast<std::uint8_t>(random());
                if (round % 8 == 3)
                    std::memcpy(bytes.data(), "BB3D", 4);
            }
            if (!check(bytes).empty()) {
                ++refused;
                continue;
            }
            ++passed;
            const testing_support::ChildResult result = loadInEngine(bytes);
            ASSERT_TRUE(result.exited) << name << " round " << round << ": " << result.describe();
        }
    }
    std::printf("damaged meshes: %d refused by the check, %d passed it and loaded without a crash or hang\n",
                refused, passed);
    EXPECT_GT(refused, 0);
}
