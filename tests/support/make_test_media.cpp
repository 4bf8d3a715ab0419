// Writes every test media case as <out>/accepted/<case>/media or <out>/damaged/<case>/media,
// each a copy of the program's media folder with one file changed, for the test scripts.
// Usage: make_test_media <media folder> <out folder>

#include "TestMedia.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_test_media <media folder> <out folder>\n");
        return 2;
    }
    try {
        using namespace testing_support;
        for (const MediaCase& c : acceptedMediaCases(argv[1]))
            writeMediaCase(argv[1], std::string(argv[2]) + "/accepted/" + c.name, c);
        for (const MediaCase& c : damagedMediaCases(argv[1]))
            writeMediaCase(argv[1], std::string(argv[2]) + "/damaged/" + c.name, c);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        return 1;
    }
    return 0;
}
