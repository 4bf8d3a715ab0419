#include "core/TickStep.h"

#include <cmath>
#include <initializer_list>

namespace modules {

double tickStep(double range, int intervals)
{
    const double raw = range / intervals;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0})
        if (factor * power >= raw)
            return factor * power;
    return 10.0 * power;
}

} // namespace modules
