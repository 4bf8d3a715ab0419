#include "core/SafeWrite.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace modules {

namespace {

std::string systemReason()
{
    return std::strerror(errno);
}

bool writeAll(int fd, const std::string& content)
{
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

bool writeFileSafely(const std::string& path, const std::string& content, std::string& reason)
{
    namespace fs = std::filesystem;
    if (path.empty()) {
        reason = "no file name";
        return false;
    }
    std::error_code ec;
    fs::path target(path);
    // A link is followed: the file it names is replaced, the link stays.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    const fs::file_status status = fs::status(target, ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        // Renaming over a device such as /dev/full or over a folder would destroy it.
        reason = fs::is_directory(status) ? "it is a folder" : "it is not a regular file";
        return false;
    }
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');

    // A file size limit would otherwise end the program with SIGXFSZ instead of failing the write.
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &previous);

    bool ok = false;
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        reason = "cannot create a file in " + folder.string() + ": " + systemReason();
    } else {
        ok = writeAll(fd, content) && ::fsync(fd) == 0;
        if (!ok)
            reason = systemReason();
        if (::close(fd) != 0 && ok) {
            reason = systemReason();
            ok = false;
        }
        // The new file takes the old one's permissions when there is one, else the usual ones.
        const mode_t umaskNow = ::umask(0);
        ::umask(umaskNow);
        struct stat old;
        const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~umaskNow);
        if (ok && ::chmod(name.data(), mode) != 0) {
            reason = systemReason();
            ok = false;
        }
        if (ok && ::rename(name.data(), target.c_str()) != 0) {
            reason = systemReason();
            ok = false;
        }
        if (!ok) {
            ::unlink(name.data());
        } else {
            // The rename itself is made durable by syncing the folder.
            const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
            if (folderFd >= 0) {
                ::fsync(folderFd);
                ::close(folderFd);
            }
        }
    }
    sigaction(SIGXFSZ, &previous, nullptr);
    return ok;
}

} // namespace modules
