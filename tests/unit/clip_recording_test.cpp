// Recording clips without a window: the videos folder from user-dirs.dirs, the clip's
// file name, the encoder's file read back through FFmpeg (H.264, the size, 30 frames a
// second, every repeated frame), a full disk reported, not ignored; and the recorder's
// file rules: what it refuses, what it never touches, where a clip ends up.

#include "gui/ClipRecorder.h"
#include "gui/VideoEncoder.h"
#include "gui/VideoFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

using modules::ClipRecorder;
using modules::ClipTarget;
using modules::ScreenPicture;
using modules::VideoEncoder;
namespace fs = std::filesystem;

namespace {

TEST(VideoFolder, ReadsTheVideosEntryOfUserDirs)
{
    const std::string home = "/home/ann";
    EXPECT_EQ(modules::videosEntry("XDG_VIDEOS_DIR=\"$HOME/Filme\"\n", home), "/home/ann/Filme");
    EXPECT_EQ(modules::videosEntry("# XDG_VIDEOS_DIR=\"$HOME/Old\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n"
                                   "XDG_VIDEOS_DIR=\"/srv/clips/\"\n",
                                   home),
              "/srv/clips");
    // The last entry counts; the home folder itself means "not set"; relative paths are not taken.
    EXPECT_EQ(modules::videosEntry("XDG_VIDEOS_DIR=\"/a\"\nXDG_VIDEOS_DIR=\"/b\"\n", home), "/b");
    EXPECT_EQ(modules::videosEntry("XDG_VIDEOS_DIR=\"$HOME/\"\n", home), "");
    EXPECT_EQ(modules::videosEntry("XDG_VIDEOS_DIR=\"Videos\"\n", home), "");
    EXPECT_EQ(modules::videosEntry("XDG_VIDEOS_DIR=$HOME/Videos\n", home), "");
    EXPECT_EQ(modules::videosEntry("XDG_VIDEOS_DIR=\"$HOME/Videos\"\n", ""), "");
}

TEST(VideoFolder, ClipNamesCarryTheDateAndTime)
{
    const std::string name = modules::clipFileName(std::time(nullptr));
    EXPECT_EQ(name.size(), std::string("kinetarium-YYYYMMDD-HHMMSS.mp4").size()) << name;
    EXPECT_EQ(name.rfind("kinetarium-20", 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".mp4");
}

ScreenPicture picture(int width, int height, unsigned char shade)
{
    ScreenPicture p;
    p.width = width;
    p.height = height;
    p.stride = width * 4;
    p.pixels.assign(static_cast<size_t>(p.stride) * height, shade);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.pixels[static_cast<size_t>(y) * p.stride + x * 4 + 2] = static_cast<unsigned char>(x * 255 / width);
    return p;
}

struct Probe {
    std::string codec;
    int width = 0;
    int height = 0;
    AVRational rate{0, 1};
    long packets = 0;
};

Probe probe(const std::string& path)
{
    Probe result;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return result;
    if (avformat_find_stream_info(format, nullptr) >= 0 && format->nb_streams == 1) {
        const AVStream* stream = format->streams[0];
        result.codec = avcodec_get_name(stream->codecpar->codec_id);
        result.width = stream->codecpar->width;
        result.height = stream->codecpar->height;
        result.rate = stream->r_frame_rate;
        AVPacket* packet = av_packet_alloc();
        while (av_read_frame(format, packet) >= 0) {
            ++result.packets;
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }
    avformat_close_input(&format);
    return result;
}

std::string temporaryFolder()
{
    char pattern[] = "/tmp/kinetarium-clip-XXXXXX";
    const char* folder = mkdtemp(pattern);
    return folder ? folder : "";
}

TEST(VideoEncoder, WritesEveryFrameOfAnH264Clip)
{
    const std::string folder = temporaryFolder();
    ASSERT_FALSE(folder.empty());
    const std::string path = folder + "/clip.mp4";
    VideoEncoder encoder;
    std::string error;
    ASSERT_TRUE(encoder.open(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644), 320, 240, 30, error)) << error;
    // One picture of an odd size (cropped), one scaled, repeats, and the last repeated.
    ASSERT_TRUE(encoder.write(picture(321, 241, 40), 1, error)) << error;
    ASSERT_TRUE(encoder.write(picture(640, 480, 90), 3, error)) << error;
    ASSERT_TRUE(encoder.repeatLast(41, error)) << error;
    ASSERT_TRUE(encoder.finish(error)) << error;
    EXPECT_EQ(encoder.framesWritten(), 45);

    const Probe clip = probe(path);
    EXPECT_EQ(clip.codec, "h264");
    EXPECT_EQ(clip.width, 320);
    EXPECT_EQ(clip.height, 240);
    EXPECT_EQ(clip.rate.num, 30);
    EXPECT_EQ(clip.rate.den, 1);
    EXPECT_EQ(clip.packets, 45);

    // A second clip of the same encoder counts only its own frames.
    const std::string second = folder + "/second.mp4";
    ASSERT_TRUE(encoder.open(::open(second.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644), 320, 240, 30, error)) << error;
    ASSERT_TRUE(encoder.write(picture(320, 240, 7), 5, error)) << error;
    ASSERT_TRUE(encoder.finish(error)) << error;
    EXPECT_EQ(encoder.framesWritten(), 5);
    EXPECT_EQ(probe(second).packets, 5);
    std::filesystem::remove_all(folder);
}

TEST(VideoEncoder, AFullDiskIsAnError)
{
    VideoEncoder encoder;
    std::string error;
    bool ok = encoder.open(::open("/dev/full", O_WRONLY | O_CLOEXEC), 320, 240, 30, error);
    // A second of frames fills the first fragment: at the latest its write fails.
    for (int i = 0; ok && i < 120; ++i)
        ok = encoder.write(picture(320, 240, static_cast<unsigned char>(i)), 1, error);
    if (ok)
        ok = encoder.finish(error);
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
}

// What a folder holds: each entry's kind and content (a link's target), to show what a
// recording left untouched.
std::map<std::string, std::string> folderState(const fs::path& folder)
{
    std::map<std::string, std::string> state;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const fs::file_status status = entry.symlink_status();
        std::string& what = state[entry.path().filename().string()];
        if (fs::is_symlink(status)) {
            what = "link to " + fs::read_symlink(entry.path()).string();
        } else if (fs::is_regular_file(status)) {
            std::ifstream file(entry.path(), std::ios::binary);
            std::ostringstream content;
            content << file.rdbuf();
            what = "file of " + std::to_string(content.str().size()) + " bytes, hash "
                + std::to_string(std::hash<std::string>{}(content.str()));
        } else {
            what = fs::is_directory(status) ? "folder" : "other";
        }
    }
    return state;
}

void writeText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// A picture no encoder can shrink much: a frame of it does not fit below the file size limit.
ScreenPicture noise(int width, int height)
{
    ScreenPicture p = picture(width, height, 0);
    std::uint32_t state = 12345;
    for (std::uint8_t& byte : p.pixels) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return p;
}

// Below the first noisy frame of 640x480, far above the file's start and a smooth frame.
constexpr rlim_t FILE_SIZE_LIMIT = 100 * 1024;

struct FileCase {
    const char* what;
    std::function<void(const fs::path&)> setup; // the folder's files before the recording
    std::string target;                         // relative names are taken in the folder
    bool numbered;
    std::vector<std::string> inUse;
    std::string refusal;                         // part of the reason when it may not start
    std::function<void(const fs::path&)> during; // between the first frame and the stop
    bool cutOff;                                 // a disk that fills with the second frame
    std::string kept;                            // where the clip is afterwards; empty: nowhere
    bool saved;                                  // whole, under its own name
};

TEST(ClipRecorder, NeverTakesAnotherFilesPlaceAndKeepsOnlyWholeClipsUnderTheirName)
{
    const auto none = [](const fs::path&) {};
    const auto text = [](const std::string& name, const std::string& content) {
        return [=](const fs::path& folder) { writeText(folder / name, content); };
    };
    const std::string stamp = "kinetarium-20260101-120000";
    const FileCase cases[] = {
        {"a new file", none, "clip.mp4", false, {}, "", none, false, "clip.mp4", true},
        {"an older clip is replaced", text("clip.mp4", "old"), "clip.mp4", false, {}, "", none, false, "clip.mp4", true},
        {"a pipe", [](const fs::path& f) { ::mkfifo((f / "clip.mp4").c_str(), 0644); }, "clip.mp4", false, {},
         "it is not a regular file", none, false, "", false},
        {"a folder", [](const fs::path& f) { fs::create_directory(f / "clip.mp4"); }, "clip.mp4", false, {},
         "it is a folder", none, false, "", false},
        {"a missing folder", none, "missing/clip.mp4", false, {}, "does not exist", none, false, "", false},
        {"a link at the temporary name",
         [](const fs::path& f) {
             writeText(f / "victim", "keep me");
             fs::create_symlink(f / "victim", f / "clip.mp4.part");
         },
         "clip.mp4", false, {}, "clip.mp4.part is there already", none, false, "", false},
        {"a killed recording's temporary", text("clip.mp4.part", "frames of a killed run"), "clip.mp4", false, {},
         "clip.mp4.part is there already", none, false, "", false},
        {"the loaded population", text("trained.json", "{}"), "trained.json", false, {"trained.json"},
         "the run uses that file", none, false, "", false},
        {"a link to the loaded population",
         [](const fs::path& f) {
             writeText(f / "trained.json", "{}");
             fs::create_symlink("trained.json", f / "link.json");
         },
         "link.json", false, {"trained.json"}, "the run uses that file", none, false, "", false},
        {"a name of the same second", text(stamp + ".mp4", "first"), stamp + ".mp4", true, {}, "", none, false,
         stamp + "-2.mp4", true},
        {"taken names and a killed temporary",
         [&](const fs::path& f) {
             writeText(f / (stamp + ".mp4.part"), "killed");
             writeText(f / (stamp + "-2.mp4"), "second");
         },
         stamp + ".mp4", true, {}, "", none, false, stamp + "-3.mp4", true},
        {"the working folder changes while recording", [](const fs::path& f) { fs::current_path(f); }, "./rel.mp4",
         false, {}, "", [](const fs::path&) { fs::current_path("/"); }, false, "rel.mp4", true},
        {"the name becomes a folder while recording", none, "clip.mp4", false, {}, "",
         [](const fs::path& f) { fs::create_directory(f / "clip.mp4"); }, false, "clip.mp4.part", false},
        {"the disk fills", none, "clip.mp4", false, {}, "", none, true, "clip.mp4.part", false},
    };
    const fs::path home = fs::current_path();
    const irr::core::dimension2du size(640, 480);
    // One recorder for every case: each clip counts its own frames.
    ClipRecorder recorder;
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = temporaryFolder();
        ASSERT_FALSE(folder.empty());
        c.setup(folder);
        const auto before = folderState(folder);
        ClipTarget target;
        // "./NAME" stays relative to the working folder.
        target.path = c.target.rfind("./", 0) == 0 ? c.target : (folder / c.target).string();
        target.numbered = c.numbered;
        for (const std::string& name : c.inUse)
            target.filesInUse.push_back((folder / name).string());
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        if (c.cutOff) {
            rlimit lower = limit;
            lower.rlim_cur = FILE_SIZE_LIMIT;
            ::setrlimit(RLIMIT_FSIZE, &lower);
        }
        std::string error;
        const bool started = recorder.start(target, size, error);
        ClipRecorder::Result result;
        if (started) {
            recorder.frameDrawn([](ScreenPicture& p) {
                p = picture(640, 480, 60);
                return true;
            });
            c.during(folder);
            // The frame after that one, once the clip is due it.
            for (bool read = false; c.cutOff && !read && !recorder.failed();)
                recorder.frameDrawn([&read](ScreenPicture& p) {
                    p = noise(640, 480);
                    return read = true;
                });
            result = recorder.stop();
        }
        ::setrlimit(RLIMIT_FSIZE, &limit);
        fs::current_path(home);

        EXPECT_EQ(started, c.refusal.empty()) << error;
        EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
        EXPECT_EQ(started && result.error.empty(), c.saved) << result.error;
        EXPECT_EQ(fs::path(result.path).lexically_normal(), c.kept.empty() ? fs::path() : folder / c.kept);
        if (c.saved) {
            EXPECT_EQ(probe(result.path).packets, result.frames);
            EXPECT_FALSE(fs::exists(modules::clipTemporaryPath(result.path)));
        } else if (!c.kept.empty()) {
            // Not under its name; said to be cut off when it was.
            EXPECT_FALSE(fs::is_regular_file(folder / c.target)) << "a clip passes for whole";
            EXPECT_EQ(result.whole, !c.cutOff);
            EXPECT_GT(result.frames, 0);
        }
        // Every file that was there is as it was, but the one a saved clip replaced; nothing
        // new but the clip (and what the case made meanwhile).
        const auto after = folderState(folder);
        for (const auto& [name, state] : before) {
            if (!(c.saved && name == c.kept)) {
                EXPECT_EQ(after.count(name) ? after.at(name) : "gone", state) << name;
            }
        }
        for (const auto& [name, state] : after) {
            EXPECT_TRUE(before.count(name) || name == c.kept || (name == "clip.mp4" && state == "folder"))
                << name << " appeared";
        }
        fs::remove_all(folder);
    }
}

} // namespace
