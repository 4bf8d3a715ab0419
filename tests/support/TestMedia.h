#pragma once

// Data files of the kinds real projects ship and of the kinds that crash or hang the
// engine, each as a change to a copy of the program's media folder. The unit tests, the
// batch tests and the window tests all use the same cases (the scripts through the
// make_test_media tool).

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

struct MediaCase {
    std::string name;
    std::string file;  // relative to the media folder, e.g. "walls.b3d"
    Bytes bytes;       // the file's new content
    std::string why;   // what it shows
};

// Real-world kinds the engine loads: each must be accepted and run.
std::vector<MediaCase> acceptedMediaCases(const std::string& mediaDir);
// The damage that crashes or hangs the engine: each must be refused with one error line.
std::vector<MediaCase> damagedMediaCases(const std::string& mediaDir);

// Copies `mediaDir` to `dir`/media and writes the case's file there.
void writeMediaCase(const std::string& mediaDir, const std::string& dir, const MediaCase& mediaCase);

Bytes readBytes(const std::string& path);
void writeBytes(const std::string& path, const Bytes& bytes);

// A B3D chunk: tag, size, body.
class Chunk {
public:
    explicit Chunk(const char* tag);
    Chunk& i(std::int32_t value);
    Chunk& f(float value);
    Chunk& s(const std::string& text);
    Chunk& add(const Chunk& child);
    Bytes bytes() const;

private:
    std::string tag;
    Bytes body;
};

} // namespace testing_support
