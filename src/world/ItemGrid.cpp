#include "world/ItemGrid.h"

namespace modules {

namespace {

// Cells of about one item each, but not so small that a sensor's band crosses more empty
// cells than it saves item tests, nor so large that a cell holds most of the arena.
constexpr float ITEMS_PER_CELL = 1.0f;
constexpr float MIN_CELL = 0.125f;
constexpr float MAX_CELL = 2.0f;
constexpr int MAX_CELLS_PER_SIDE = 1024;

// The extents only shape the grid; any position is still found. An unusable extent gives
// the default arena's.
float usableExtent(float extent)
{
    return std::isfinite(extent) && extent > 0.0f && extent <= 2.0f * ItemGrid::QUERY_LIMIT ? extent : 9.0f;
}

int cellsAlong(float extent, float size)
{
    const int count = static_cast<int>(std::ceil(extent / size));
    return std::max(1, std::min(count, MAX_CELLS_PER_SIDE));
}

} // namespace

void ItemGrid::reset(float width, float depth, int count)
{
    width = usableExtent(width);
    depth = usableExtent(depth);
    const float perItem = width * depth * ITEMS_PER_CELL / static_cast<float>(std::max(count, 1));
    size = std::min(std::max(std::sqrt(perItem), MIN_CELL), MAX_CELL);
    columnCount = cellsAlong(width, size);
    rowCount = cellsAlong(depth, size);
    // With the cell count capped, the cells grow to cover the extents.
    size = std::max({size, width / static_cast<float>(columnCount), depth / static_cast<float>(rowCount)});
    inverseSize = 1.0f / size;
    minX = -0.5f * width;
    minZ = -0.5f * depth;
    cells.assign(static_cast<size_t>(columnCount) * static_cast<size_t>(rowCount), {});
    const size_t items = static_cast<size_t>(std::max(count, 0));
    cellOf.assign(items, -1);
    slotOf.assign(items, -1);
}

void ItemGrid::place(int index, const irr::core::vector3df& position)
{
    const size_t item = static_cast<size_t>(index);
    if (cellOf[item] >= 0) {
        // Out of the old cell: the cell's last entry takes the freed slot.
        std::vector<Entry>& old = cells[static_cast<size_t>(cellOf[item])];
        const size_t slot = static_cast<size_t>(slotOf[item]);
        old[slot] = old.back();
        slotOf[static_cast<size_t>(old[slot].index)] = static_cast<int>(slot);
        old.pop_back();
    }
    const int cell = rowOf(position.Z) * columnCount + columnOf(position.X);
    std::vector<Entry>& target = cells[static_cast<size_t>(cell)];
    cellOf[item] = cell;
    slotOf[item] = static_cast<int>(target.size());
    target.push_back(Entry{position, index});
}

} // namespace modules
