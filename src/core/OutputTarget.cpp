#include "core/OutputTarget.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace modules {

namespace fs = std::filesystem;

namespace {

// The kernel gives up after as many links in one path.
constexpr int MAX_LINKS = 40;

} // namespace

std::string resolvedPath(const std::string& path)
{
    std::error_code ec;
    fs::path current = fs::absolute(path, ec);
    if (ec)
        return fs::path(path).lexically_normal().string();
    for (int i = 0; i < MAX_LINKS; ++i) {
        // The part that exists, links and all, is resolved; the rest is taken as written.
        const fs::path resolved = fs::weakly_canonical(current, ec);
        if (ec)
            break;
        current = resolved;
        // What is left unresolved is a dangling link at the end: where it points.
        if (!fs::is_symlink(fs::symlink_status(current, ec)))
            break;
        const fs::path target = fs::read_symlink(current, ec);
        if (ec)
            break;
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return current.lexically_normal().string();
}

bool sameFile(const std::string& a, const std::string& b)
{
    struct stat first, second;
    const bool firstExists = ::stat(a.c_str(), &first) == 0;
    const bool secondExists = ::stat(b.c_str(), &second) == 0;
    if (firstExists && secondExists)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    if (firstExists != secondExists)
        return false;
    return resolvedPath(a) == resolvedPath(b);
}

bool canReplaceFile(const std::string& path, std::string& reason)
{
    if (path.empty()) {
        reason = "no file name";
        return false;
    }
    const fs::path target = resolvedPath(path);
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        reason = fs::is_directory(status) ? "it is a folder" : "it is not a regular file";
        return false;
    }
    const fs::path folder = target.parent_path();
    const fs::file_status folderStatus = fs::status(folder, ec);
    if (!fs::is_directory(folderStatus)) {
        reason = fs::exists(folderStatus) ? folder.string() + " is not a folder"
                                          : "its folder " + folder.string() + " does not exist";
        return false;
    }
    // The one sure test (permissions, a read-only disk, root's rights): make a file there as
    // the writer will, and remove it again.
    const std::string probe = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(probe.begin(), probe.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        reason = "cannot create a file in " + folder.string() + ": " + std::strerror(errno);
        return false;
    }
    ::close(fd);
    ::unlink(name.data());
    return true;
}

} // namespace modules
