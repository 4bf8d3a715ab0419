#pragma once

#include <vector>

namespace modules {

// Splits `total` offspring in proportion to the non-negative weights by largest
// remainders (ties to the earlier entry), so the counts always add up to `total`; equal
// shares when every weight is 0.
std::vector<int> shareOffspring(const std::vector<double>& weights, int total);

} // namespace modules
