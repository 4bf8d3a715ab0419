#include "core/Random.h"

#include <cstdlib>

namespace modules {

float fRand()
{
    return static_cast<float>(static_cast<double>(std::rand() % 10000) * 0.0001);
}

float fRand2()
{
    if (std::rand() % 2 == 1)
        return fRand();
    return -fRand();
}

} // namespace modules
