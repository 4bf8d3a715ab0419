#include "core/Engine.h"

#include <cstdio>
#include <string>

// kinetarium [--load FILE]: the window; with --load, a saved population in the panel.
int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        std::string path;
        if (argument == "--load")
            path = i + 1 < argc ? argv[++i] : "";
        else if (argument.rfind("--load=", 0) == 0)
            path = argument.substr(7);
        else {
            std::printf("Error: unexpected argument '%s'; the program takes only --load FILE.\n", argument.c_str());
            return 2;
        }
        if (path.empty()) {
            std::puts("Error: --load needs a file name.");
            return 2;
        }
        modules::engine.loadPopulationAtStart(path);
    }
    return modules::engine.main();
}
