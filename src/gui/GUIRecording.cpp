#include "gui/GUI.h"

#include "core/Engine.h"
#include "gui/ClipRecorder.h"
#include "gui/GUIElementIDs.h"
#include "gui/VideoFolder.h"
#include "world/World.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

using namespace irr;

namespace modules {

namespace fs = std::filesystem;

namespace {

std::string secondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

} // namespace

bool GUI::isRecording() const
{
    return recorder && recorder->recording();
}

void GUI::toggleRecording()
{
    if (!isRecording())
        startRecording();
    else if (recorder->hasFrame())
        stopRecording();
    else
        stopAfterNextFrame = true; // so that a quick double press still gives a clip
}

std::vector<std::string> GUI::filesInUse() const
{
    std::vector<std::string> files = runFiles;
    std::error_code ec;
    if (!engine.mediaFolder.empty())
        for (fs::recursive_directory_iterator it(engine.mediaFolder, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec))
                files.push_back(fs::absolute(it->path(), ec).string());
    return files;
}

bool GUI::startRecording(const std::string& path)
{
    if (isRecording())
        return true;
    ClipTarget target;
    target.path = path;
    if (path.empty()) {
        std::string why;
        const std::string folder = clipFolder(why);
        if (folder.empty()) {
            reportError("Cannot record: " + why + ".");
            return false;
        }
        target.path = (fs::path(folder) / clipFileName(std::time(nullptr))).string();
        target.numbered = true;
    }
    target.filesInUse = filesInUse();
    if (!recorder)
        recorder = std::make_unique<ClipRecorder>();
    std::string why;
    if (!recorder->start(target, engine.driver->getScreenSize(), why)) {
        reportError("Cannot record to " + target.path + ": " + why + ".");
        return false;
    }
    report("Recording to " + recorder->path() + ".");
    showRecordingState();
    return true;
}

bool GUI::stopRecording()
{
    stopAfterNextFrame = false;
    if (!isRecording())
        return true;
    const ClipRecorder::Result clip = recorder->stop();
    const std::string figures = secondsText(clip.seconds) + " s, " + std::to_string(clip.frames) + " frames"
        + (clip.dropped > 0 ? ", " + std::to_string(clip.dropped) + " dropped" : "");
    const std::string& path = recorder->path();
    if (clip.error.empty() && clip.frames == 0)
        report("Recording to " + path + " stopped before a frame was drawn; nothing was saved.");
    else if (clip.error.empty())
        report("Recording saved to " + clip.path + " (" + figures + ").");
    else if (clip.frames == 0)
        reportError("Recording to " + path + " stopped: " + clip.error + ".");
    else if (clip.whole)
        reportError("Recording to " + path + ": " + clip.error + "; the whole clip is in " + clip.path + " (" + figures
                    + ").");
    else
        reportError("Recording to " + path + " stopped: " + clip.error + "; the clip is cut off, what was recorded is in "
                    + clip.path + " (" + figures + ").");
    showRecordingState();
    return clip.error.empty();
}

void GUI::showRecordingState()
{
    if (gui::IGUIElement* button = GUIElementIDs::getElementFromID(GUIElementIDs::RECORD_BUTTON, runWindow))
        button->setText(isRecording() ? L"Stop recording" : L"Record");
}

void GUI::frameDrawn()
{
    if (!recordOnRun.empty() && world->run) {
        const std::string path = recordOnRun;
        recordOnRun.clear();
        if (!startRecording(path))
            optionFailed();
    }
    if (isRecording()) {
        recorder->frameDrawn(engine.driver);
        if ((recorder->failed() || stopAfterNextFrame) && !stopRecording())
            optionFailed();
    }
    if (quitTime && std::chrono::steady_clock::now() >= *quitTime) {
        quitTime.reset();
        engine.device->closeDevice();
    }
}

} // namespace modules
