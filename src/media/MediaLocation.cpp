#include "media/MediaLocation.h"

#include <cstdlib>

namespace fs = std::filesystem;

// The data folder seen from the folder of the installed programs; the build sets it from
// the install layout.
#ifndef KINETARIUM_MEDIA_FROM_BINDIR
#define KINETARIUM_MEDIA_FROM_BINDIR "../share/kinetarium/media"
#endif

namespace modules {

namespace {

bool isFolder(const fs::path& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

} // namespace

std::string MediaLocation::triedList() const
{
    std::string list;
    for (std::size_t i = 0; i < tried.size(); ++i) {
        if (i > 0)
            list += i + 1 == tried.size() ? " or " : ", ";
        list += tried[i].string();
    }
    return list;
}

MediaLocation findMediaFolder(const char* overrideFolder, const fs::path& workingDirectory,
                              const fs::path& executable)
{
    MediaLocation location;
    const auto tryFolder = [&location](const fs::path& place) {
        location.tried.push_back(place);
        if (isFolder(place))
            location.folder = place;
        return location.found();
    };

    // An explicit choice is the only place looked at: falling back to another folder
    // would hide a mistyped one.
    if (overrideFolder && *overrideFolder) {
        std::error_code ec;
        fs::path place = fs::absolute(overrideFolder, ec);
        if (ec)
            place = overrideFolder;
        tryFolder(place.lexically_normal());
        return location;
    }
    if (!workingDirectory.empty() && tryFolder(workingDirectory / "media"))
        return location;
    if (!executable.empty())
        tryFolder((executable.parent_path() / KINETARIUM_MEDIA_FROM_BINDIR).lexically_normal());
    return location;
}

MediaLocation findMediaFolder()
{
    std::error_code ec;
    const fs::path workingDirectory = fs::current_path(ec);
    std::error_code exeError;
    const fs::path executable = fs::read_symlink("/proc/self/exe", exeError);
    return findMediaFolder(std::getenv("KINETARIUM_MEDIA"), ec ? fs::path() : workingDirectory,
                           exeError ? fs::path() : executable);
}

} // namespace modules
