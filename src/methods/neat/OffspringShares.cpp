#include "methods/neat/OffspringShares.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace modules {

std::vector<int> shareOffspring(const std::vector<double>& weights, int total)
{
    std::vector<int> counts(weights.size(), 0);
    if (weights.empty() || total <= 0)
        return counts;
    double sum = 0.0;
    for (double w : weights)
        sum += w;
    std::vector<double> remainders(weights.size());
    int given = 0;
    for (size_t k = 0; k < weights.size(); ++k) {
        const double quota = sum > 0.0 ? total * (weights[k] / sum) : static_cast<double>(total) / weights.size();
        counts[k] = std::min(total, static_cast<int>(std::floor(quota)));
        remainders[k] = quota - counts[k];
        given += counts[k];
    }
    std::vector<size_t> order(weights.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) { return remainders[x] > remainders[y]; });
    // The floors never add up to more than the total; what they leave goes to the largest
    // remainders, one each.
    for (size_t k = 0; given < total; k = (k + 1) % order.size(), ++given)
        ++counts[order[k]];
    return counts;
}

} // namespace modules
