#pragma once

#include "gui/ClipFile.h"
#include "gui/VideoEncoder.h"

#include <irrlicht.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace modules {

// Records what the window draws as a clip of FRAMES_PER_SECOND frames a second of wall
// time. The drawing thread only reads each due frame back and queues it; a thread of the
// recorder's own encodes it. When the queue is full the frame is dropped (the clip shows
// the previous picture a little longer) and counted. The file is written under a
// temporary name (PATH.part, see ClipFile.h) and moved into place only when the whole clip
// was written: a clip that failed stays PATH.part, and an older file of that name survives.
class ClipRecorder {
public:
    static constexpr int FRAMES_PER_SECOND = 30;
    // Frames waiting for the encoder: a few, so a slow moment passes without a drop.
    static constexpr std::size_t QUEUE_LENGTH = 4;

    // What a recording left behind.
    struct Result {
        // Where the clip is: its temporary when it was not finished or not moved into
        // place; empty when nothing was kept.
        std::string path;
        double seconds = 0.0;
        long frames = 0;
        long dropped = 0;
        // Every frame was written and the file ended; false for a clip cut off by a failure.
        bool whole = false;
        // Empty when the clip was saved; otherwise why it stopped or was not moved into place.
        std::string error;
    };

    ClipRecorder() = default;
    ClipRecorder(const ClipRecorder&) = delete;
    ClipRecorder& operator=(const ClipRecorder&) = delete;
    ~ClipRecorder();

    // Starts a clip of the screen's size (rounded down to even numbers) for `target`; path()
    // is then where it will be. False with the reason in `error`; nothing is left behind then.
    bool start(const ClipTarget& target, const irr::core::dimension2du& screenSize, std::string& error);
    // After each drawn frame: reads the picture back when the clip is due a frame.
    void frameDrawn(irr::video::IVideoDriver* driver);
    // The same with the reading given: `read` fills in the picture, false when it cannot.
    void frameDrawn(const std::function<bool(ScreenPicture&)>& read);
    // True once the encoding thread has failed; stop() then says why.
    bool failed();
    // Finishes the clip (the frames still queued, the file's end, its final name).
    Result stop();

    bool recording() const { return worker.joinable(); }
    // True once a picture has been read for the clip.
    bool hasFrame() const { return framesQueued > 0; }
    const std::string& path() const { return finalPath; }

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
    ClipTarget target;
    Clock::time_point startTime;
    long framesQueued = 0;
    long dropped = 0;
};

} // namespace modules
