#pragma once

#include "gui/VideoEncoder.h"

#include <irrlicht.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace modules {

// Records what the window draws as a clip of FRAMES_PER_SECOND frames a second of wall
// time. The drawing thread only reads each due frame back and queues it; a thread of the
// recorder's own encodes it. When the queue is full the frame is dropped (the clip shows
// the previous picture a little longer) and counted. The file is written under a
// temporary name (PATH.part) and moved into place when the recording stops, so an older
// file of that name survives a failed recording.
class ClipRecorder {
public:
    static constexpr int FRAMES_PER_SECOND = 30;
    // Frames waiting for the encoder: a few, so a slow moment passes without a drop.
    static constexpr std::size_t QUEUE_LENGTH = 4;

    // What a recording left behind.
    struct Result {
        std::string path;
        double seconds = 0.0;
        long frames = 0;
        long dropped = 0;
        // Empty when the clip was saved; otherwise why it stopped.
        std::string error;
    };

    ClipRecorder() = default;
    ClipRecorder(const ClipRecorder&) = delete;
    ClipRecorder& operator=(const ClipRecorder&) = delete;
    ~ClipRecorder();

    // Starts a clip of the screen's size (rounded down to even numbers) into `path`.
    // False with the reason in `error`; nothing is left behind then.
    bool start(const std::string& path, const irr::core::dimension2du& screenSize, std::string& error);
    // After each drawn frame: reads the picture back when the clip is due a frame.
    void frameDrawn(irr::video::IVideoDriver* driver);
    // True once the encoding thread has failed; stop() then says why.
    bool failed();
    // Finishes the clip (the frames still queued, the file's end, its final name).
    Result stop();

    bool recording() const { return worker.joinable(); }
    // True once a picture has been read for the clip.
    bool hasFrame() const { return framesQueued > 0; }
    const std::string& path() const { return finalPath; }
    static std::string temporaryPath(const std::string& path) { return path + ".part"; }

private:
    struct Job {
        ScreenPicture picture; // empty: repeat the last picture
        int count = 0;
    };
    using Clock = std::chrono::steady_clock;

    // The clip's frames due by now: the first at the start.
    long framesDue() const;
    void encodeJobs();

    VideoEncoder encoder;
    std::thread worker;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> queue;
    bool stopping = false;
    std::string failure;
    std::string finalPath;
    Clock::time_point startTime;
    long framesQueued = 0;
    long dropped = 0;
};

} // namespace modules
