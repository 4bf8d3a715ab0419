#include "gui/FitnessColumns.h"

#include "core/TickStep.h"

#include <algorithm>
#include <cmath>

namespace modules {

namespace {

ValueRange single(float value)
{
    return ValueRange{value, value, value, value};
}

// The later range follows the earlier one in time. Comparisons leave NaN out of low and high
// unless every value is NaN.
ValueRange merged(const ValueRange& earlier, const ValueRange& later)
{
    ValueRange r;
    r.first = earlier.first;
    r.last = later.last;
    r.low = later.low < earlier.low || std::isnan(earlier.low) ? later.low : earlier.low;
    r.high = later.high > earlier.high || std::isnan(earlier.high) ? later.high : earlier.high;
    return r;
}

FitnessColumn merged(const FitnessColumn& earlier, const FitnessColumn& later)
{
    FitnessColumn c;
    c.firstGeneration = earlier.firstGeneration;
    c.lastGeneration = later.lastGeneration;
    c.best = merged(earlier.best, later.best);
    c.mean = merged(earlier.mean, later.mean);
    c.median = merged(earlier.median, later.median);
    return c;
}

} // namespace

FitnessColumns::FitnessColumns(std::size_t capacity)
    : limit(std::max<std::size_t>(capacity, 2))
{
}

void FitnessColumns::clear()
{
    list.clear();
    count = 0;
    columnSpan = 1;
    minimum = maximum = 0.0f;
    anyFinite = false;
}

void FitnessColumns::rebuild(std::size_t capacity, const std::vector<GenerationFitness>& history)
{
    limit = std::max<std::size_t>(capacity, 2);
    clear();
    list.reserve(limit + 1);
    for (const GenerationFitness& generation : history)
        add(generation);
}

void FitnessColumns::add(const GenerationFitness& generation)
{
    ++count;
    FitnessColumn column;
    column.firstGeneration = column.lastGeneration = count;
    column.best = single(generation.best);
    column.mean = single(static_cast<float>(generation.mean));
    column.median = single(static_cast<float>(generation.median));
    for (float value : {column.best.first, column.mean.first, column.median.first}) {
        if (!std::isfinite(value))
            continue;
        minimum = anyFinite ? std::min(minimum, value) : value;
        maximum = anyFinite ? std::max(maximum, value) : value;
        anyFinite = true;
    }

    if (!list.empty() && list.back().lastGeneration - list.back().firstGeneration + 1 < columnSpan) {
        list.back() = merged(list.back(), column);
        return;
    }
    list.push_back(column);
    if (list.size() <= limit)
        return;
    // Full: neighbours merge pairwise; every column but the last then spans twice as many.
    std::size_t out = 0;
    for (std::size_t i = 0; i < list.size(); i += 2)
        list[out++] = i + 1 < list.size() ? merged(list[i], list[i + 1]) : list[i];
    list.resize(out);
    columnSpan *= 2;
}

ChartScale chartScale(float lowest, float highest)
{
    ChartScale scale;
    if (!std::isfinite(lowest) || !std::isfinite(highest) || highest < lowest)
        lowest = highest = 0.0f;
    scale.low = std::min(lowest, 0.0f);
    const double range = static_cast<double>(highest) - static_cast<double>(scale.low);
    if (!(range > 0.0)) {
        scale.high = scale.low + 1.0f;
        scale.step = 0.25f;
        return scale;
    }
    const double step = tickStep(range, 5);
    scale.step = static_cast<float>(step);
    scale.low = static_cast<float>(std::floor(static_cast<double>(scale.low) / step) * step);
    scale.high = static_cast<float>(std::ceil(static_cast<double>(highest) / step) * step);
    if (!(scale.high > scale.low) || !std::isfinite(scale.high))
        scale.high = scale.low + scale.step;
    return scale;
}

double tickValue(const ChartScale& scale, int index)
{
    const double steps = static_cast<double>(scale.low) / scale.step;
    const double first = std::round(steps);
    // A bottom at a whole number of steps (up to the float's rounding) gives exact ticks,
    // 0 among them; another (a degenerate scale) counts from its own value.
    if (std::fabs(steps - first) < 1e-3)
        return (first + index) * static_cast<double>(scale.step) + 0.0;
    return scale.low + index * static_cast<double>(scale.step);
}

} // namespace modules
