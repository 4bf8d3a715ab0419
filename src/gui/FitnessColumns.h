#pragma once

#include "evolution/FitnessHistory.h"

#include <cstddef>
#include <vector>

namespace modules {

// The values one series takes over a column's generations.
struct ValueRange {
    float first = 0.0f; // at the column's first generation
    float last = 0.0f;  // at its last generation
    float low = 0.0f;   // smallest
    float high = 0.0f;  // largest
};

// A run of consecutive generations drawn as one column of the chart.
struct FitnessColumn {
    long long firstGeneration = 1; // 1 for the first finished generation
    long long lastGeneration = 1;
    ValueRange best, mean, median;
};

// A run's fitness history reduced to at most `capacity` columns of equal span (a power of
// two; only the last column may hold fewer generations). Adding a generation costs O(1)
// amortized: when the columns overflow, neighbours merge pairwise and the span doubles,
// so the chart's drawing cost depends on its width, not on the run's length.
class FitnessColumns {
public:
    explicit FitnessColumns(std::size_t capacity);

    void add(const GenerationFitness& generation);
    void clear();
    // The capacity changes with the chart's width; the columns are rebuilt from `history`.
    void rebuild(std::size_t capacity, const std::vector<GenerationFitness>& history);

    const std::vector<FitnessColumn>& columns() const { return list; }
    std::size_t capacity() const { return limit; }
    long long generationCount() const { return count; }
    long long span() const { return columnSpan; }
    // Lowest and highest finite value of the three series over the whole run
    // (0 and 0 while there is none).
    float lowest() const { return minimum; }
    float highest() const { return maximum; }

private:
    std::vector<FitnessColumn> list;
    std::size_t limit;
    long long count = 0;
    long long columnSpan = 1;
    float minimum = 0.0f;
    float maximum = 0.0f;
    bool anyFinite = false;
};

// The fitness axis: from `low` to `high` with a label every `step`.
struct ChartScale {
    float low = 0.0f;
    float high = 1.0f;
    float step = 0.25f;
};

// An axis that starts at 0 (or lower for negative values), ends at a round value at or
// above `highest`, and has three to about six labels. Never empty, even for all-zero data.
ChartScale chartScale(float lowest, float highest);
// The value of the scale's tick `index` (0 at the bottom), as a whole number of steps: summed
// from a negative bottom, steps would leave 0 as a residue such as 5.55e-17.
double tickValue(const ChartScale& scale, int index);

} // namespace modules
