#include "gui/GUI.h"

#include "core/Engine.h"
#include "core/Utf8.h"
#include "evolution/EvolutionRun.h"
#include "evolution/ResumeCheck.h"
#include "evolution/RunLimits.h"
#include "gui/ScreenLog.h"
#include "methods/MethodRegistry.h"
#include "world/World.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <vector>

using namespace irr;

namespace modules {

void GUI::report(const std::string& line)
{
    std::puts(line.c_str());
    std::fflush(stdout);
    engine.screenLog->writeLine(fromUtf8(line).c_str());
}

void GUI::reportError(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stderr);
    std::fflush(stderr);
    engine.screenLog->writeLine(fromUtf8(line).c_str());
}

std::string GUI::populationFolder()
{
    // Only an absolute XDG_DATA_HOME counts; otherwise the default below the home folder.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return (std::filesystem::path(data) / "kinetarium").string();
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0')
        return (std::filesystem::path(home) / ".local" / "share" / "kinetarium").string();
    return std::string();
}

bool GUI::loadPopulation(const std::string& path)
{
    SavedRun run;
    std::string error;
    std::error_code ec;
    runFiles.push_back(std::filesystem::absolute(path, ec).string());
    if (!readPopulationFile(path, run, error)) {
        reportError(error);
        return false;
    }
    params = run.params;
    updateGuiContents();
    const std::string line = "Loaded population of " + std::to_string(run.params.populationSize) + " vehicles from " + path
        + " (generation " + std::to_string(run.generation) + ")";
    loadedRun = std::move(run);
    report(line);
    return true;
}

std::string GUI::savePopulation()
{
    if (!world->run)
        return std::string();
    const std::string folder = populationFolder();
    if (folder.empty()) {
        report("Error: cannot save the population: neither XDG_DATA_HOME nor HOME is set.");
        return std::string();
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        report("Error: cannot create the folder '" + folder + "' for population files: " + ec.message() + ".");
        return std::string();
    }
    const SavedRun run = savedRun(*world->run);
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &local);
    const std::string path = (std::filesystem::path(folder)
                              / ("population-" + std::string(stamp) + "-generation-" + std::to_string(run.generation)
                                 + ".json"))
                                 .string();
    std::string error;
    if (!writePopulationFile(path, run, error)) {
        reportError(error);
        return std::string();
    }
    runFiles.push_back(path);
    report("Population saved to " + path);
    return path;
}

void GUI::openPopulationDialog()
{
    std::string folder = populationFolder();
    std::error_code ec;
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    if (folder.empty() || ec || !std::filesystem::is_directory(folder, ec))
        folder.clear();
    std::vector<char> start(folder.begin(), folder.end());
    start.push_back('\0');
    // The dialog changes the working directory as it browses; it is put back when it closes.
    engine.guiEnvironment->addFileOpenDialog(L"Load population", true, nullptr, -1, true,
                                             folder.empty() ? nullptr : start.data());
}

void GUI::startRun()
{
    if (world->run)
        return;
    const ResumeConflict conflict = loadedRun ? resumeConflict(loadedRun->params, params) : ResumeConflict();
    switch (conflict.kind) {
    case ResumeConflict::NONE:
        break;
    case ResumeConflict::SHAPE: {
        const std::wstring line = L"Cannot start: the loaded population needs a population size of "
            + std::to_wstring(loadedRun->params.populationSize) + L" and "
            + std::to_wstring(loadedRun->params.hiddenNeurons) + L" hidden neurons.";
        reportError(toUtf8(line.c_str()));
        return;
    }
    case ResumeConflict::METHOD:
        reportError("Cannot start: the loaded population needs the method " + loadedRun->params.method + ".");
        return;
    case ResumeConflict::TASK:
        reportError("Cannot start: the loaded population needs the task " + loadedRun->params.task + ".");
        return;
    case ResumeConflict::FIXED_VALUE: {
        const std::string line =
            "Cannot start: the loaded population's " + conflict.option + " cannot change: " + conflict.why + ".";
        engine.screenLog->writeLine(fromUtf8(line).c_str());
        return;
    }
    }
    const std::wstring refusal = checkRunLimits(params);
    if (!refusal.empty()) {
        reportError(toUtf8(refusal.c_str()));
        return;
    }
    // Started first: moving the focus to the new panel runs the input check again.
    if (loadedRun) {
        const SavedRun run = std::move(*loadedRun);
        loadedRun.reset();
        // The window's animation passes take the timer's time; 0 would reset the collision response.
        std::string reason;
        if (!resumeEvolution(run, params, *world, std::max<u32>(1, engine.timer->getTime()), reason)) {
            reportError("Cannot start: " + reason + ".");
            return;
        }
    } else {
        // A task whose data cannot be used (a refused maze file) starts nothing.
        std::string reason;
        if (!startEvolution(params, *world, reason)) {
            reportError(reason);
            return;
        }
    }
    showRunningPanel();
}

} // namespace modules
