#include "gui/VideoFolder.h"

#include "gui/GUI.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace modules {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Created if missing, and one this process may write into.
bool usableFolder(const std::string& folder, std::string& why)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        why = error.message();
        return false;
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        why = std::error_code(errno, std::generic_category()).message();
        return false;
    }
    return true;
}

} // namespace

std::string videosEntry(const std::string& userDirs, const std::string& home)
{
    std::istringstream lines(userDirs);
    std::string line;
    std::string found;
    const std::string key = "XDG_VIDEOS_DIR=";
    while (std::getline(lines, line)) {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0)
            continue;
        std::string value = line.substr(start + key.size());
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
            value.pop_back();
        if (value.size() < 2 || value.front() != '"' || value.back() != '"')
            continue;
        value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) {
            if (home.empty())
                continue;
            value = home + value.substr(5);
        }
        if (value.empty() || value[0] != '/')
            continue;
        found = value; // the last entry counts, as the shell that reads the file would have it
    }
    while (found.size() > 1 && found.back() == '/')
        found.pop_back();
    std::string homeFolder = home;
    while (homeFolder.size() > 1 && homeFolder.back() == '/')
        homeFolder.pop_back();
    if (found == homeFolder)
        return "";
    return found;
}

std::string videoFolder()
{
    const std::string home = environment("HOME");
    std::string config = environment("XDG_CONFIG_HOME");
    if (config.empty() || config[0] != '/')
        config = home.empty() ? "" : home + "/.config";
    if (!config.empty()) {
        std::ifstream file(config + "/user-dirs.dirs");
        std::ostringstream text;
        text << file.rdbuf();
        const std::string entry = videosEntry(text.str(), home);
        if (!entry.empty())
            return entry;
    }
    return home.empty() ? "" : home + "/Videos";
}

std::string clipFileName(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char name[64];
    std::strftime(name, sizeof name, "kinetarium-%Y%m%d-%H%M%S.mp4", &local);
    return name;
}

std::string clipFolder(std::string& error)
{
    std::string why;
    const std::string videos = videoFolder();
    if (!videos.empty() && usableFolder(videos, why))
        return videos;
    const std::string data = GUI::populationFolder();
    std::string dataWhy;
    if (!data.empty() && usableFolder(data, dataWhy))
        return data;
    error = "no folder to write the clip into (" + (videos.empty() ? "HOME is not set" : videos + ": " + why)
        + (data.empty() ? "" : "; " + data + ": " + dataWhy) + ")";
    return "";
}

} // namespace modules
