// The engine judges the data files: a child process loads them the way the program uses
// them. Files of the kinds real projects ship are accepted and run; files that crash or
// hang the engine end in one error line naming the file; the narrow structural checks
// catch what the child survives although the real load might not.

#include "AddressSanitizer.h"
#include "ChildProcess.h"
#include "TestMedia.h"

#include "core/Engine.h"
#include "evolution/EvolutionParams.h"
#include "evolution/EvolutionRun.h"
#include "media/B3DStructure.h"
#include "media/MediaCheck.h"

#include <irrlicht.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include <fcntl.h>
#include <unistd.h>

using namespace testing_support;

namespace {

const char* const MEDIA = "media";

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/kinetarium-media-check.XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string path;
};

std::string mediaAbsolute()
{
    return std::filesystem::absolute(MEDIA).string();
}

// The program's real start in `dir` (panel included) and a second of an evolution, in a
// child: exit status 0 when it ran.
ChildResult runsIn(const std::string& dir)
{
    return runInChild(
        [&dir]() {
            if (chdir(dir.c_str()) != 0)
                return 2;
            std::string error;
            modules::Engine& engine = modules::engine;
            if (!engine.openDevice(irr::video::EDT_NULL, irr::core::dimension2du(1024, 768), false, error))
                return 3;
            engine.device->getLogger()->setLogLevel(irr::ELL_NONE);
            if (!engine.createScene(5, true, error))
                return 4;
            modules::startEvolution(modules::EvolutionParams(), *engine.world);
            for (irr::u32 step = 1; step <= 30; ++step)
                engine.undrawnStep(1 + 33 * step);
            engine.drawFrame();
            engine.shutdown();
            return 0;
        },
        60);
}

// One line "Error: ..." that names `file` (its base name: the messages give full paths).
void expectOneErrorLineNaming(const std::string& error, const std::string& file, const std::string& what)
{
    const std::string base = std::filesystem::path(file).filename().string();
    EXPECT_EQ(error.rfind("Error: ", 0), 0u) << what << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << what << ": " << error;
    EXPECT_NE(error.find(base), std::string::npos) << what << ": the error does not name " << base << ": " << error;
}

// The engine's loader alone on the bytes, in a child, after `warmUp` blocks of the heap were
// taken and given back (another state of the heap, as another program run has it).
ChildResult loadMeshInEngine(const Bytes& bytes, int warmUp = 0)
{
    return runInChild(
        [&bytes, warmUp]() {
            // A crash here is expected; the sanitizer's report of it is no finding.
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            std::vector<std::vector<char>> blocks;
            for (int k = 0; k < warmUp; ++k)
                blocks.emplace_back(static_cast<std::size_t>(64 + 97 * k * k));
            for (std::size_t k = 0; k < blocks.size(); k += 2)
                std::vector<char>().swap(blocks[k]);
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

// In how many of 24 states of the heap the engine's loader survives the bytes.
int survivals(const Bytes& bytes)
{
    int survived = 0;
    for (int warmUp = 0; warmUp < 24; ++warmUp)
        survived += loadMeshInEngine(bytes, warmUp).exited;
    return survived;
}

} // namespace

TEST(MediaCheck, RealWorldKindsOfFilesAreAcceptedAndRun)
{
    TempDir dir;
    std::string error;
    EXPECT_TRUE(modules::checkMediaFiles(error)) << error;

    std::vector<MediaCase> cases = acceptedMediaCases(MEDIA);
    for (const MediaCase& c : cases) {
        const std::string caseDir = dir.path + "/" + c.name;
        writeMediaCase(mediaAbsolute(), caseDir, c);
        error.clear();
        EXPECT_TRUE(modules::checkMediaFiles(error, modules::MediaCheckLimits(), caseDir)) << c.why << ": " << error;
        EXPECT_EQ(runsIn(caseDir).describe(), "exit status 0") << c.why;
    }

    // The one optional file.
    const std::string noGround = dir.path + "/no_ground";
    writeMediaCase(mediaAbsolute(), noGround, cases[0]);
    std::filesystem::remove(noGround + "/media/ground.b3d");
    EXPECT_TRUE(modules::checkMediaFiles(error, modules::MediaCheckLimits(), noGround)) << error;
}

TEST(MediaCheck, EachKindOfDamageEndsInOneErrorLineNamingTheFile)
{
    TempDir dir;
    modules::MediaCheckLimits limits;
    limits.seconds = 3;
    for (const MediaCase& c : damagedMediaCases(MEDIA)) {
        const std::string caseDir = dir.path + "/" + c.name;
        writeMediaCase(mediaAbsolute(), caseDir, c);
        std::string error;
        EXPECT_FALSE(modules::checkMediaFiles(error, limits, caseDir)) << c.why;
        expectOneErrorLineNaming(error, c.file, c.why);
        std::printf("%-24s %s\n", c.name.c_str(), error.c_str());
    }
}

// Some faults make the loader read memory it does not own. Whether that crashes depends on
// the state of the heap: a child that survives them proves nothing about the real load,
// so only a look at the file's structure can refuse them. A brush index behind a chunk
// size that does not fit is refused for the size: the walk cannot tell where the chunk ends.
TEST(MediaCheck, NarrowChecksRefuseWhatTheEngineSurvives)
{
    const std::map<std::string, std::string> expected = {
        {"vehicle_texs_brus_texs", "a TEXS chunk after a BRUS chunk"},
        {"vehicle_brush_past_end", "brush 9 of 7"},
        {"vehicle_brush_hidden", "a TRIS chunk of size -4 that does not fit its parent"},
    };
    int narrow = 0;
    for (const MediaCase& c : damagedMediaCases(MEDIA)) {
        const std::string reason = modules::checkB3DStructure(c.bytes.data(), c.bytes.size());
        const bool texsBrusTexs = c.name == "vehicle_texs_brus_texs";
        if (expected.count(c.name)) {
            EXPECT_NE(reason.find(expected.at(c.name)), std::string::npos) << c.why << ": " << reason;
            const int survived = survivals(c.bytes);
            std::printf("%s: the engine alone survived it in %d of 24 heap states\n", c.name.c_str(), survived);
            // Reads of freed memory: the outcome depends on the heap, and often is no crash.
            // (The sanitizer's allocator keeps freed memory aside: no crash there to count.)
            if (texsBrusTexs && !ADDRESS_SANITIZER) {
                EXPECT_GT(survived, 0);
            }
            ++narrow;
        } else if (c.name == "walls_huge_chunk" || c.name == "walls_cut" || c.name == "vehicle_cut") {
            // Sizes past the end of the file: the loader would read on from wherever it is.
            EXPECT_NE(reason.find("that does not fit the file at byte 0"), std::string::npos) << c.why << ": " << reason;
        } else {
            // The rest is the engine's to judge.
            EXPECT_EQ(reason, "") << c.why;
        }
    }
    EXPECT_EQ(narrow, 3);
    for (const MediaCase& c : acceptedMediaCases(MEDIA))
        EXPECT_EQ(modules::checkB3DStructure(c.bytes.data(), c.bytes.size()), "") << c.why;
}

// Random damage to each data file: the program either runs or refuses with one error line.
TEST(MediaCheck, DamagedFilesRunOrAreRefusedCleanly)
{
    TempDir dir;
    modules::MediaCheckLimits limits;
    limits.seconds = 3;
    limits.memoryBytes = std::size_t{256} << 20;
    std::mt19937 random(20240611u);
    int refused = 0;
    int ran = 0;
    for (const char* file : {"walls.b3d", "vehicle.b3d", "gui.xml", "font1/font.xml"}) {
        const Bytes whole = readBytes(std::string(MEDIA) + "/" + file);
        const bool xml = std::string(file).find(".xml") != std::string::npos;
        for (int round = 0; round < 16; ++round) {
            Bytes bytes = whole;
            std::uniform_int_distribution<std::size_t> at(0, bytes.size() - 4);
            switch (round % 4) {
            case 0: // a few random bytes
                for (int i = 0; i < 1 + round % 8; ++i)
                    bytes[at(random)] = static_cast<std::uint8_t>(random());
                break;
            case 1: // an int field set to an edge value, or a markup character dropped in
                if (xml) {
                    bytes[at(random)] = static_cast<std::uint8_t>("\"<>/=!-"[random() % 7]);
                } else {
                    const std::int32_t edges[] = {0, -1, 1, 2, 0x7FFFFFFF, -0x7FFFFFFF - 1, 65536, 1000000};
                    const std::size_t field = at(random) & ~std::size_t{3};
                    for (int k = 0; k < 4; ++k)
                        bytes[field + static_cast<std::size_t>(k)]
                            = static_cast<std::uint8_t>(static_cast<std::uint32_t>(edges[random() % 8]) >> (8 * k));
                }
                break;
            case 2: // cut
                bytes.resize(at(random));
                break;
            default: // garbage of the same length
                for (auto& b : bytes)
                    b = static_cast<std::uint8_t>(random());
                break;
            }
            const std::string caseDir = dir.path + "/round";
            writeMediaCase(mediaAbsolute(), caseDir, MediaCase{"round", file, bytes, ""});
            std::string error;
            const std::string what = std::string(file) + " round " + std::to_string(round);
            if (modules::checkMediaFiles(error, limits, caseDir)) {
                ++ran;
                const ChildResult result = runsIn(caseDir);
                if (result.describe() != "exit status 0") {
                    const std::string kept = "damaged-" + std::to_string(round) + "-" + std::filesystem::path(file).filename().string();
                    writeBytes(kept, bytes);
                    ADD_FAILURE() << what << " passed the check, then " << result.describe() << " (kept as " << kept << ")";
                }
            } else {
                ++refused;
                expectOneErrorLineNaming(error, file, what);
            }
        }
    }
    std::printf("damaged data files: %d refused with one error line, %d accepted and ran\n", refused, ran);
    EXPECT_GT(refused, 0);
}
