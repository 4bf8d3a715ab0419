#include "gui/ClipRecorder.h"

#include <GL/gl.h>
#include <pthread.h>

#include <csignal>
#include <filesystem>
#include <system_error>

#include <unistd.h>

using namespace irr;

namespace modules {

namespace {

// The finished picture in the back buffer, read before the swap. The rows come bottom
// first; the picture keeps them so and the encoder reads them upwards.
bool readScreen(video::IVideoDriver* driver, ScreenPicture& picture)
{
    const core::dimension2du size = driver->getScreenSize();
    if (size.Width == 0 || size.Height == 0)
        return false;
    picture.width = static_cast<int>(size.Width);
    picture.height = static_cast<int>(size.Height);
    picture.stride = picture.width * 4;
    picture.bgra = true;
    picture.bottomUp = true;
    picture.pixels.resize(static_cast<std::size_t>(picture.stride) * picture.height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, picture.width, picture.height, GL_BGRA, GL_UNSIGNED_BYTE, picture.pixels.data());
    return glGetError() == GL_NO_ERROR;
}

} // namespace

ClipRecorder::~ClipRecorder()
{
    if (recording())
        stop();
}

bool ClipRecorder::start(const ClipTarget& clipTarget, const core::dimension2du& screenSize, std::string& error)
{
    if (recording()) {
        error = "already recording";
        return false;
    }
    const int width = static_cast<int>(screenSize.Width & ~1u);
    const int height = static_cast<int>(screenSize.Height & ~1u);
    if (width < 2 || height < 2) {
        error = "the window has no size";
        return false;
    }
    // A file size limit fails the clip's writes instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    std::string path;
    const int fd = createClipFile(clipTarget, path, error);
    if (fd < 0)
        return false;
    if (!encoder.open(fd, width, height, FRAMES_PER_SECOND, error)) {
        ::unlink(clipTemporaryPath(path).c_str());
        return false;
    }
    finalPath = path;
    target = clipTarget;
    queue.clear();
    stopping = false;
    failure.clear();
    framesQueued = 0;
    dropped = 0;
    startTime = Clock::now();
    worker = std::thread(&ClipRecorder::encodeJobs, this);
    return true;
}

long ClipRecorder::framesDue() const
{
    const double seconds = std::chrono::duration<double>(Clock::now() - startTime).count();
    return static_cast<long>(seconds * FRAMES_PER_SECOND) + 1;
}

void ClipRecorder::frameDrawn(video::IVideoDriver* driver)
{
    frameDrawn([driver](ScreenPicture& picture) { return readScreen(driver, picture); });
}

void ClipRecorder::frameDrawn(const std::function<bool(ScreenPicture&)>& read)
{
    if (!recording())
        return;
    const long due = framesDue();
    if (due <= framesQueued)
        return;
    {
        // A full queue: the encoder is behind, so this frame is not even read back.
        std::lock_guard<std::mutex> lock(mutex);
        if (queue.size() >= QUEUE_LENGTH || !failure.empty()) {
            ++dropped;
            return;
        }
    }
    Job job;
    if (!read(job.picture))
        return;
    // Frames missed since the last one (a slow draw, a dropped frame) show this picture.
    job.count = static_cast<int>(due - framesQueued);
    framesQueued = due;
    {
        std::lock_guard<std::mutex> lock(mutex);
        queue.push_back(std::move(job));
    }
    changed.notify_one();
}

bool ClipRecorder::failed()
{
    std::lock_guard<std::mutex> lock(mutex);
    return !failure.empty();
}

void ClipRecorder::encodeJobs()
{
    // Named, so that its share of the processor can be told apart (bench/record_cost.sh).
    pthread_setname_np(pthread_self(), "clip-encoder");
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return stopping || !queue.empty(); });
        if (queue.empty())
            break; // stopping, and everything queued is written
        Job job = std::move(queue.front());
        queue.pop_front();
        if (!failure.empty())
            continue;
        lock.unlock();
        std::string error;
        const bool ok = job.picture.pixels.empty() ? encoder.repeatLast(job.count, error)
                                                   : encoder.write(job.picture, job.count, error);
        lock.lock();
        if (!ok && failure.empty())
            failure = error;
    }
}

ClipRecorder::Result ClipRecorder::stop()
{
    Result result;
    if (!recording())
        return result;
    result.seconds = std::chrono::duration<double>(Clock::now() - startTime).count();
    const long due = static_cast<long>(result.seconds * FRAMES_PER_SECOND);
    {
        // The last picture lasts until now.
        std::lock_guard<std::mutex> lock(mutex);
        if (due > framesQueued)
            queue.push_back(Job{ScreenPicture{}, static_cast<int>(due - framesQueued)});
        stopping = true;
    }
    changed.notify_one();
    worker.join();

    std::string error = failure;
    std::string finishError;
    // Even after a failure the file is ended as well as it can be: its fragments so far play.
    if (!encoder.finish(finishError) && error.empty())
        error = finishError;
    result.frames = encoder.framesWritten();
    result.dropped = dropped;
    result.error = error;
    result.whole = error.empty();
    const std::string temporary = clipTemporaryPath(finalPath);
    if (result.frames == 0) {
        // Nothing to play: no file is left.
        ::unlink(temporary.c_str());
    } else if (!error.empty()) {
        // Cut off: it keeps the temporary name, which never passes for a whole clip.
        result.path = temporary;
    } else if (std::string reason; !moveClipIntoPlace(finalPath, !target.numbered, target.filesInUse, reason)) {
        result.error = "cannot move it into place: " + reason;
        result.path = temporary;
    } else {
        result.path = finalPath;
    }
    return result;
}

} // namespace modules
