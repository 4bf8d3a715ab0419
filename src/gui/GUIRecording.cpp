#include "gui/GUI.h"

#include "core/AppOptions.h"
#include "core/Engine.h"
#include "gui/CameraController.h"
#include "gui/ClipRecorder.h"
#include "gui/GUIElementIDs.h"
#include "gui/VideoFolder.h"
#include "world/World.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

using namespace irr;

namespace modules {

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

void GUI::startRecording(std::string path)
{
    if (isRecording())
        return;
    if (path.empty()) {
        std::string why;
        const std::string folder = clipFolder(why);
        if (folder.empty()) {
            report("Cannot record: " + why + ".");
            return;
        }
        path = (std::filesystem::path(folder) / clipFileName(std::time(nullptr))).string();
    }
    if (!recorder)
        recorder = std::make_unique<ClipRecorder>();
    std::string why;
    if (!recorder->start(path, engine.driver->getScreenSize(), why)) {
        report("Cannot record to " + path + ": " + why + ".");
        return;
    }
    report("Recording to " + path + ".");
    showRecordingState();
}

void GUI::stopRecording()
{
    stopAfterNextFrame = false;
    if (!isRecording())
        return;
    const ClipRecorder::Result clip = recorder->stop();
    const std::string figures = secondsText(clip.seconds) + " s, " + std::to_string(clip.frames) + " frames"
        + (clip.dropped > 0 ? ", " + std::to_string(clip.dropped) + " dropped" : "");
    if (clip.error.empty() && clip.frames == 0)
        report("Recording to " + recorder->path() + " stopped before a frame was drawn; nothing was saved.");
    else if (clip.error.empty())
        report("Recording saved to " + clip.path + " (" + figures + ").");
    else if (clip.frames > 0)
        report("Recording to " + recorder->path() + " stopped: " + clip.error + "; what was recorded is in "
               + clip.path + " (" + figures + ").");
    else
        report("Recording to " + recorder->path() + " stopped: " + clip.error + ".");
    showRecordingState();
}

void GUI::showRecordingState()
{
    if (gui::IGUIElement* button = GUIElementIDs::getElementFromID(GUIElementIDs::RECORD_BUTTON, runWindow))
        button->setText(isRecording() ? L"Stop recording" : L"Record");
}

void GUI::frameDrawn()
{
    if (!recordOnRun.empty() && world->evolver) {
        startRecording(recordOnRun);
        recordOnRun.clear();
    }
    if (isRecording()) {
        recorder->frameDrawn(engine.driver);
        if (recorder->failed() || stopAfterNextFrame)
            stopRecording();
    }
    if (quitTime && std::chrono::steady_clock::now() >= *quitTime) {
        quitTime.reset();
        engine.device->closeDevice();
    }
}

void GUI::applyStartOptions(const AppOptions& options)
{
    recordOnRun = options.recordPath;
    if (options.quitAfterSeconds)
        quitTime = std::chrono::steady_clock::now()
            + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::duration<double>(*options.quitAfterSeconds));
    if (options.start)
        startRun();
    if (options.followBest)
        onButtonClicked(GUIElementIDs::FOLLOW_CAMERA_BUTTON);
}

} // namespace modules
