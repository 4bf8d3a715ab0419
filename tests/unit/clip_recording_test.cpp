// Recording clips without a window: the videos folder from user-dirs.dirs, the clip's
// file name, and the encoder's file read back through FFmpeg (H.264, the size, 30 frames
// a second, every repeated frame), a full disk reported, not ignored.

#include "gui/VideoEncoder.h"
#include "gui/VideoFolder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

using modules::ScreenPicture;
using modules::VideoEncoder;

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
    ASSERT_TRUE(encoder.open(path, 320, 240, 30, error)) << error;
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
    std::filesystem::remove_all(folder);
}

TEST(VideoEncoder, AFullDiskIsAnError)
{
    const std::string folder = temporaryFolder();
    ASSERT_FALSE(folder.empty());
    const std::string path = folder + "/full.mp4";
    std::filesystem::create_symlink("/dev/full", path);
    VideoEncoder encoder;
    std::string error;
    bool ok = encoder.open(path, 320, 240, 30, error);
    // A second of frames fills the first fragment: at the latest its write fails.
    for (int i = 0; ok && i < 120; ++i)
        ok = encoder.write(picture(320, 240, static_cast<unsigned char>(i)), 1, error);
    if (ok)
        ok = encoder.finish(error);
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
    std::filesystem::remove_all(folder);
}

} // namespace
