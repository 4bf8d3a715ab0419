#pragma once

#include <string>

namespace modules {

// The bar of a progress line on a terminal: 30 characters between brackets, '#' for the
// part done (`fraction`, from 0 to 1, rounded down) and '-' for the rest.
std::string progressBar(double fraction);

} // namespace modules
