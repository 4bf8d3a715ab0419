#pragma once

namespace modules {

struct NeatGenome;
struct NeatSettings;

// delta = c1 E / N + c2 D / N + c3 W over the connection genes: E excess genes (beyond the
// other genome's highest innovation), D disjoint genes, W the mean absolute weight
// difference of matching genes (0 when none match), N the larger genome's gene count, or 1
// when both have fewer than smallGenomeSize genes. Thresholds are not compared.
double compatibilityDistance(const NeatGenome& a, const NeatGenome& b, const NeatSettings& settings);

} // namespace modules
