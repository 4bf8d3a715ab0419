#include "methods/neat/CompatibilityDistance.h"

#include "methods/neat/NeatGenome.h"
#include "methods/neat/NeatSettings.h"

#include <algorithm>
#include <cmath>

namespace modules {

double compatibilityDistance(const NeatGenome& a, const NeatGenome& b, const NeatSettings& settings)
{
    const auto& ca = a.connections;
    const auto& cb = b.connections;
    int excess = 0, disjoint = 0, matching = 0;
    double weightDifference = 0.0;
    const int lastA = ca.empty() ? -1 : ca.back().innovation;
    const int lastB = cb.empty() ? -1 : cb.back().innovation;
    size_t i = 0, j = 0;
    while (i < ca.size() || j < cb.size()) {
        if (i < ca.size() && j < cb.size() && ca[i].innovation == cb[j].innovation) {
            weightDifference += std::fabs(static_cast<double>(ca[i].weight) - cb[j].weight);
            ++matching;
            ++i;
            ++j;
        } else if (i < ca.size() && (j == cb.size() || ca[i].innovation < cb[j].innovation)) {
            ++(ca[i].innovation > lastB ? excess : disjoint);
            ++i;
        } else {
            ++(cb[j].innovation > lastA ? excess : disjoint);
            ++j;
        }
    }
    const size_t larger = std::max(ca.size(), cb.size());
    const double n = larger < static_cast<size_t>(settings.smallGenomeSize) || larger == 0 ? 1.0 : static_cast<double>(larger);
    const double w = matching > 0 ? weightDifference / matching : 0.0;
    return settings.excessCoefficient * excess / n + settings.disjointCoefficient * disjoint / n
           + settings.weightCoefficient * w;
}

} // namespace modules
