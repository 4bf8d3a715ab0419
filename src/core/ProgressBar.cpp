#include "core/ProgressBar.h"

namespace modules {

std::string progressBar(double fraction)
{
    constexpr int WIDTH = 30;
    const int filled = static_cast<int>(fraction * WIDTH);
    std::string bar = "[";
    for (int i = 0; i < WIDTH; ++i)
        bar += i < filled ? '#' : '-';
    return bar + "]";
}

} // namespace modules
