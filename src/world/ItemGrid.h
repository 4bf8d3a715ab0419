#pragma once

#include <irrlicht.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace modules {

// A uniform grid over the arena's floor holding a copy of every item's position, so that the
// sensors and the collection look only at the items that can be near them. It only narrows
// the search: the callers apply their own exact tests to what it hands out, in no particular
// order. Positions outside the grid go to its border cells (the mapping is clamped, and so
// stays monotonic), so every position is found; a non-finite one lands in a corner cell.
class ItemGrid {
public:
    struct Entry {
        irr::core::vector3df position;
        int index;
    };

    // Extra reach on every query: far more than float rounding in the callers' tests and in
    // the cell arithmetic can shift a distance, so no item within reach is ever left out.
    static constexpr float SAFETY_MARGIN = 0.01f;
    // Beyond this distance from the origin the rounding of the cell arithmetic is no longer
    // small against the margin; queries out there look at every item.
    static constexpr float QUERY_LIMIT = 1000.0f;

    // Sets up an empty grid over |x| <= width / 2, |z| <= depth / 2 for `count` items.
    void reset(float width, float depth, int count);
    // Puts item `index` at `position`, taking it out of its previous cell if it had one.
    void place(int index, const irr::core::vector3df& position);

    int columns() const { return columnCount; }
    int rows() const { return rowCount; }
    float cellSize() const { return size; }

    // visit(index, position) for every item whose horizontal distance from the point (x, z)
    // may be below `distance`, and possibly others.
    template <typename Visit>
    void forEachNearPoint(float x, float z, float distance, Visit&& visit) const
    {
        int column0 = 0, column1 = columnCount - 1, row0 = 0, row1 = rowCount - 1;
        if (std::fabs(x) <= QUERY_LIMIT && std::fabs(z) <= QUERY_LIMIT) {
            const float reach = distance + SAFETY_MARGIN;
            column0 = columnOf(x - reach);
            column1 = columnOf(x + reach);
            row0 = rowOf(z - reach);
            row1 = rowOf(z + reach);
        }
        for (int row = row0; row <= row1; ++row)
            visitRow(row, column0, column1, visit);
    }

    // visit(index, position) for every item whose horizontal distance from the segment
    // (ax, az)-(bx, bz) may be below `distance`, and possibly others. Row by row, only the
    // columns that the part of the segment near that row can reach.
    template <typename Visit>
    void forEachNearSegment(float ax, float az, float bx, float bz, float distance, Visit&& visit) const
    {
        if (!(std::fabs(ax) <= QUERY_LIMIT && std::fabs(az) <= QUERY_LIMIT && std::fabs(bx) <= QUERY_LIMIT &&
              std::fabs(bz) <= QUERY_LIMIT)) {
            // Out there (or not finite) the whole grid: every row, every column.
            ax = bx = az = bz = 0.0f;
            distance = std::numeric_limits<float>::infinity();
        }
        const float reach = distance + SAFETY_MARGIN;
        const float dz = bz - az;
        const int firstRow = rowOf(std::min(az, bz) - reach);
        const int lastRow = rowOf(std::max(az, bz) + reach);
        constexpr float infinity = std::numeric_limits<float>::infinity();
        for (int row = firstRow; row <= lastRow; ++row) {
            // The z band of this row's items (the border rows also hold everything beyond),
            // widened by the reach: only segment points in it can be near those items.
            const float low = row == 0 ? -infinity : minZ + static_cast<float>(row) * size - reach;
            const float high = row == rowCount - 1 ? infinity : minZ + static_cast<float>(row + 1) * size + reach;
            float x0 = std::min(ax, bx);
            float x1 = std::max(ax, bx);
            if (dz != 0.0f) {
                float t0 = (low - az) / dz;
                float t1 = (high - az) / dz;
                if (t0 > t1)
                    std::swap(t0, t1);
                t0 = std::max(t0, 0.0f);
                t1 = std::min(t1, 1.0f);
                if (t0 > t1)
                    continue;
                const float xa = ax + (bx - ax) * t0;
                const float xb = ax + (bx - ax) * t1;
                x0 = std::min(xa, xb);
                x1 = std::max(xa, xb);
            }
            visitRow(row, columnOf(x0 - reach), columnOf(x1 + reach), visit);
        }
    }

private:
    // Clamped and monotonic in the coordinate, so a range of coordinates maps to a range
    // of cells that holds every item inside it. NaN goes to the first cell.
    static int cellIndex(float coordinate, float origin, float inverseSize, int count)
    {
        float cell = (coordinate - origin) * inverseSize;
        if (!(cell >= 0.0f))
            cell = 0.0f;
        if (cell > static_cast<float>(count - 1))
            cell = static_cast<float>(count - 1);
        return static_cast<int>(cell);
    }
    int columnOf(float x) const { return cellIndex(x, minX, inverseSize, columnCount); }
    int rowOf(float z) const { return cellIndex(z, minZ, inverseSize, rowCount); }

    template <typename Visit>
    void visitRow(int row, int column0, int column1, Visit& visit) const
    {
        const std::vector<Entry>* cell = &cells[static_cast<size_t>(row * columnCount + column0)];
        for (int column = column0; column <= column1; ++column, ++cell)
            for (const Entry& entry : *cell)
                visit(entry.index, entry.position);
    }

    float minX = 0.0f;
    float minZ = 0.0f;
    float size = 1.0f;
    float inverseSize = 1.0f;
    int columnCount = 1;
    int rowCount = 1;
    std::vector<std::vector<Entry>> cells;
    // Per item: its cell (-1 before it is placed) and its slot in that cell.
    std::vector<int> cellOf;
    std::vector<int> slotOf;
};

} // namespace modules
