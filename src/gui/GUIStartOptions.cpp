#include "gui/GUI.h"

#include "core/AppOptions.h"
#include "core/Engine.h"
#include "gui/GUIElementIDs.h"
#include "world/World.h"

#include <cstdio>
#include <filesystem>

using namespace irr;

namespace modules {

void GUI::applyStartOptions(const AppOptions& options)
{
    unattended = options.quitAfterSeconds.has_value();
    if (options.quitAfterSeconds)
        quitTime = std::chrono::steady_clock::now()
            + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::duration<double>(*options.quitAfterSeconds));
    // Absolute now: the file dialog changes the working directory as it browses.
    std::error_code ec;
    recordOnRun = options.recordPath.empty() ? "" : std::filesystem::absolute(options.recordPath, ec).string();
    if (ec)
        recordOnRun = options.recordPath;
    // A file that does not load starts nothing: not a fresh run in its place, nor its clip.
    if (!options.loadPath.empty() && !loadPopulation(options.loadPath)) {
        optionFailed();
        return;
    }
    if (options.start) {
        startRun();
        if (!world->run) {
            optionFailed();
            return;
        }
    } else if (!recordOnRun.empty()) {
        report("Recording to " + recordOnRun + " starts with the run.");
    }
    if (options.followBest)
        onButtonClicked(GUIElementIDs::FOLLOW_CAMERA_BUTTON);
}

void GUI::optionFailed()
{
    if (!unattended)
        return;
    // Its line is out; nothing else is done instead.
    recordOnRun.clear();
    exitStatus = 1;
    engine.device->closeDevice();
}

int GUI::endOfProgram()
{
    if (!stopRecording() && unattended)
        exitStatus = 1;
    if (!recordOnRun.empty()) {
        reportError("Nothing was recorded to " + recordOnRun + ": no run was started.");
        if (unattended)
            exitStatus = 1;
        recordOnRun.clear();
    }
    return exitStatus;
}

} // namespace modules
