#pragma once

namespace modules {

// A round step for a chart's axis: the smallest of 1, 2, 5 or 10 times a power of ten
// that is at least `range` / `intervals`, so that the range takes at most that many steps.
// `range` must be positive and finite.
double tickStep(double range, int intervals);

} // namespace modules
