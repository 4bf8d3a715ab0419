#include "core/AppOptions.h"
#include "core/Engine.h"

// kinetarium: the windowed program. See --help.
int main(int argc, char** argv)
{
    modules::AppOptions options;
    const int status = modules::readAppOptions(argc, argv, options);
    if (status >= 0)
        return status;
    return modules::engine.main(options);
}
