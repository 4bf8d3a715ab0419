#include "core/Engine.h"

int main()
{
    return modules::engine.main();
}
