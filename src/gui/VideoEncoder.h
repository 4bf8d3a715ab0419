#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVIOContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

namespace modules {

// A picture read back from the screen: rows `stride` bytes apart.
struct ScreenPicture {
    std::vector<std::uint8_t> pixels;
    int width = 0;
    int height = 0;
    int stride = 0;
    // Four bytes a pixel in the order B, G, R, A; otherwise three in the order R, G, B.
    bool bgra = true;
    // The rows run from the bottom up (as OpenGL reads them).
    bool bottomUp = false;
};

// H.264 (yuv420p) in a fragmented MP4 through FFmpeg's libraries: every frame is a
// fragment of its own, written out at once, so a file cut off at any moment plays up to
// its last whole frame.
// Used by one thread at a time.
class VideoEncoder {
public:
    VideoEncoder() = default;
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;
    // Closes the file without finishing it (finish() first to keep it whole).
    ~VideoEncoder();

    // Starts a clip of width x height (both even) at `framesPerSecond` into the file open for
    // writing as `fd`, which the encoder owns from here on and closes. False with the reason
    // in `error` (no "Error: " prefix, no file name).
    bool open(int fd, int width, int height, int framesPerSecond, std::string& error);
    // Adds the picture `count` times; a picture of another size is scaled to the clip's.
    bool write(const ScreenPicture& picture, int count, std::string& error);
    // Adds the last picture `count` more times (nothing before the first picture).
    bool repeatLast(int count, std::string& error);
    // Drains the encoder and ends the file; the encoder and the file are closed either way.
    bool finish(std::string& error);

    // The frames of this clip in the file so far.
    long framesWritten() const { return frames; }

private:
    bool sendFrame(AVFrame* frame, std::string& error);
    // Frees everything; false (errno set) when closing the file reported a late write error.
    bool close();

    int fd = -1;
    AVIOContext* output = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    bool headerWritten = false;
    bool havePicture = false;
    long frames = 0;
};

} // namespace modules
