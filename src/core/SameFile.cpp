#include "core/SameFile.h"

#include <filesystem>

#include <sys/stat.h>

namespace modules {

namespace fs = std::filesystem;

namespace {

// The kernel gives up after as many links in one path.
constexpr int MAX_LINKS = 40;

// The path with every link followed as far as the links lead; absolute, without "." or "..".
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

} // namespace

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

} // namespace modules
