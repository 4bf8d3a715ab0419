#include "core/SafeWrite.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <streambuf>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace modules {

namespace fs = std::filesystem;

namespace {

std::string systemReason()
{
    return std::strerror(errno);
}

// An output buffer straight onto a file descriptor; remembers the first failure's errno.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd)
        : fd(fd)
        , buffer(1 << 16)
    {
        setp(buffer.data(), buffer.data() + buffer.size());
    }
    // Writes what is buffered; false (and `failure` set) when the system refuses it.
    bool flushAll()
    {
        const char* data = pbase();
        std::size_t left = static_cast<std::size_t>(pptr() - pbase());
        while (left > 0 && failure == 0) {
            const ssize_t written = ::write(fd, data, left);
            if (written < 0) {
                if (errno != EINTR)
                    failure = errno;
                continue;
            }
            data += written;
            left -= static_cast<std::size_t>(written);
        }
        setp(buffer.data(), buffer.data() + buffer.size());
        return failure == 0;
    }
    int failure = 0;

protected:
    int_type overflow(int_type c) override
    {
        if (!flushAll())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return flushAll() ? 0 : -1; }

private:
    int fd;
    std::vector<char> buffer;
};

// Follows links to the file they name, the last one possibly dangling (a new file is then
// made where it points). False with a reason for a loop of links.
bool followLinks(fs::path& target, std::string& reason)
{
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(target, ec)))
            return true;
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) {
            reason = ec.message();
            return false;
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    reason = std::strerror(ELOOP);
    return false;
}

// mkstemp's names for `target`: "." + its name + "." + six letters or digits.
std::string temporaryPattern(const fs::path& folder, const fs::path& target)
{
    return (folder / ("." + target.filename().string() + ".XXXXXX")).string();
}

bool isTemporaryOf(const std::string& name, const std::string& prefix)
{
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

// A writer holds a lock on its temporary until the rename; one nobody holds was left by a
// writer that was killed, and is removed.
void removeStaleTemporaries(const fs::path& folder, const fs::path& target)
{
    const std::string prefix = "." + target.filename().string() + ".";
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!isTemporaryOf(name, prefix))
            continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat info;
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(it->path().c_str());
        ::close(fd);
    }
}

// The file a write to `path` replaces (links followed) and the folder where its new file
// is made; false with the reason when it must not be replaced.
bool replaceableTarget(const std::string& path, fs::path& target, fs::path& folder, std::string& reason)
{
    if (path.empty()) {
        reason = "no file name";
        return false;
    }
    target = path;
    if (!followLinks(target, reason))
        return false;
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        // Renaming over a device such as /dev/full or over a folder would destroy it.
        reason = fs::is_directory(status) ? "it is a folder" : "it is not a regular file";
        return false;
    }
    folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    return true;
}

// Writes the content into the new file `fd`, synced. False with the reason on failure.
bool writeContent(int fd, const ContentWriter& write, std::string& reason)
{
    DescriptorBuffer buffer(fd);
    std::ostream out(&buffer);
    try {
        if (!write(out, reason))
            return false;
    } catch (const std::bad_alloc&) {
        // The temporary is still removed and the old file kept.
        reason = "not enough memory";
        return false;
    }
    out.flush();
    if (!buffer.flushAll() || !out) {
        reason = std::strerror(buffer.failure != 0 ? buffer.failure : EIO);
        return false;
    }
    if (::fsync(fd) != 0) {
        reason = systemReason();
        return false;
    }
    return true;
}

} // namespace

bool writeFileSafely(const std::string& path, const ContentWriter& write, std::string& reason)
{
    fs::path target, folder;
    if (!replaceableTarget(path, target, folder, reason))
        return false;
    const std::string temporary = temporaryPattern(folder, target);
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
        // Held until the rename, through a second descriptor, so that the close below can
        // still report a late write error.
        ::flock(fd, LOCK_EX);
        const int lock = ::dup(fd);
        ok = writeContent(fd, write, reason);
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
        if (!ok)
            ::unlink(name.data());
        if (lock >= 0)
            ::close(lock);
        if (ok) {
            // The rename itself is made durable by syncing the folder.
            const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
            if (folderFd >= 0) {
                ::fsync(folderFd);
                ::close(folderFd);
            }
            removeStaleTemporaries(folder, target);
        }
    }
    sigaction(SIGXFSZ, &previous, nullptr);
    return ok;
}

bool canWriteFileSafely(const std::string& path, std::string& reason)
{
    fs::path target, folder;
    if (!replaceableTarget(path, target, folder, reason))
        return false;
    std::error_code ec;
    const fs::file_status folderStatus = fs::status(folder, ec);
    if (!fs::is_directory(folderStatus)) {
        reason = fs::exists(folderStatus) ? folder.string() + " is not a folder"
                                          : "its folder " + folder.string() + " does not exist";
        return false;
    }
    // The one sure test (permissions, a read-only disk, root's rights): make the temporary
    // as the writer does, and remove it again.
    const std::string temporary = temporaryPattern(folder, target);
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        reason = "cannot create a file in " + folder.string() + ": " + systemReason();
        return false;
    }
    ::close(fd);
    ::unlink(name.data());
    return true;
}

bool writeFileSafely(const std::string& path, const std::string& content, std::string& reason)
{
    return writeFileSafely(
        path,
        [&content](std::ostream& out, std::string&) {
            out.write(content.data(), static_cast<std::streamsize>(content.size()));
            return true;
        },
        reason);
}

bool writeFileReplacing(const std::string& path, const std::string& content, std::string& error)
{
    std::string reason;
    if (writeFileSafely(path, content, reason))
        return true;
    error = "Error: cannot write '" + path + "': " + reason;
    return false;
}

} // namespace modules
