#include "gui/ClipFile.h"

#include "core/SameFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace modules {

namespace fs = std::filesystem;

namespace {

// More clips than anyone starts in one second.
constexpr int MAXIMUM_NUMBER = 1000;

bool taken(const std::string& path)
{
    struct stat info;
    // A link counts, dangling or not.
    return ::lstat(path.c_str(), &info) == 0;
}

// rename() without replacing anything; the plain check where the file system cannot do it.
int renameNew(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    if (taken(to)) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from.c_str(), to.c_str());
}

} // namespace

std::string clipTemporaryPath(const std::string& path)
{
    return path + ".part";
}

std::string numberedClipPath(const std::string& path, int number)
{
    if (number <= 1)
        return path;
    const fs::path name(path);
    return (name.parent_path() / (name.stem().string() + "-" + std::to_string(number) + name.extension().string()))
        .string();
}

std::string clipTargetProblem(const std::string& path, const std::vector<std::string>& filesInUse)
{
    struct stat info;
    if (::stat(path.c_str(), &info) == 0) {
        // Renaming over a device, a pipe or a folder would destroy it.
        if (S_ISDIR(info.st_mode))
            return "it is a folder";
        if (!S_ISREG(info.st_mode))
            return "it is not a regular file";
    } else if (errno != ENOENT) {
        return std::strerror(errno);
    } else {
        std::string folder = fs::path(path).parent_path().string();
        if (folder.empty())
            folder = ".";
        if (::stat(folder.c_str(), &info) != 0)
            return errno == ENOENT ? "its folder " + folder + " does not exist" : std::strerror(errno);
        if (!S_ISDIR(info.st_mode))
            return std::strerror(ENOTDIR);
    }
    for (const std::string& used : filesInUse)
        if (sameFile(path, used))
            return "the run uses that file (" + used + ")";
    return "";
}

int createClipFile(const ClipTarget& target, std::string& path, std::string& reason)
{
    std::error_code ec;
    // Absolute from the start: the file dialog changes the working directory as it browses.
    const std::string base = fs::absolute(target.path, ec).string();
    if (ec || target.path.empty()) {
        reason = target.path.empty() ? "no file name" : ec.message();
        return -1;
    }
    const int last = target.numbered ? MAXIMUM_NUMBER : 1;
    for (int number = 1; number <= last; ++number) {
        const std::string candidate = numberedClipPath(base, number);
        const std::string temporary = clipTemporaryPath(candidate);
        // The temporary first: a clip being finished moves from there to the name.
        if (target.numbered && (taken(temporary) || taken(candidate)))
            continue;
        reason = clipTargetProblem(candidate, target.filesInUse);
        if (!reason.empty())
            return -1;
        // Made new: an old temporary (a killed recording's clip) is not truncated, and a
        // link there is not followed.
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            path = candidate;
            return fd;
        }
        if (errno == EEXIST && target.numbered)
            continue; // another program took it just now
        reason = errno == EEXIST ? temporary + " is there already (a recording that did not end?); move or remove it"
                                 : std::strerror(errno);
        return -1;
    }
    reason = "no free name like " + base + " is left";
    return -1;
}

bool moveClipIntoPlace(const std::string& path, bool replace, const std::vector<std::string>& filesInUse,
                       std::string& reason)
{
    // Checked again: the name may have been taken while the clip was recorded.
    reason = clipTargetProblem(path, filesInUse);
    if (!reason.empty())
        return false;
    const std::string temporary = clipTemporaryPath(path);
    if ((replace ? ::rename(temporary.c_str(), path.c_str()) : renameNew(temporary, path)) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace modules
