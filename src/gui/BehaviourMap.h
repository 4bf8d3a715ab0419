#pragma once

#include "evolution/Behaviour.h"

#include <irrlicht.h>

#include <cstdint>
#include <string>
#include <vector>

namespace modules {

class EvolutionRun;

// The translucent behaviour map between the fitness chart and the network panel: where in
// its task's behaviour space the run has been. A MAP-Elites run shows its grid, each filled
// cell coloured by its elite's fitness; a novelty search run the archive's behaviours; any
// other run the last generation's. On the maze the space is the floor, drawn under the
// walls with the start and the goal. It reads the run once per generation and keeps its
// own copy, so it still shows a run after Stop.
class BehaviourMap {
public:
    static constexpr irr::u32 BACKGROUND_COLOR = 0xB4000000; // translucent black, as the chart
    static constexpr irr::u32 TEXT_COLOR = 0xFFFFFFFF;
    static constexpr irr::u32 FRAME_COLOR = 0xFFC8C8C8;
    static constexpr irr::u32 WALL_COLOR = 0xFFF0F0F0;
    static constexpr irr::u32 START_COLOR = 0xFF46BEFF;      // sky blue
    static constexpr irr::u32 GOAL_COLOR = 0xFFFF3C3C;       // red: no fitness colour is
    static constexpr irr::u32 SHADOW_COLOR = 0xFF000000;     // under the walls, on bright cells
    static constexpr irr::u32 ARCHIVE_COLOR = 0xFF46FFB4;    // mint
    static constexpr irr::u32 GENERATION_COLOR = 0xFFFF8C1E; // orange, the chart's best
    // Points are counted on a grid this fine per axis: drawing costs the same for an
    // archive of ten behaviours or of a hundred thousand.
    static constexpr int POINT_GRID = 48;
    // The side of the picture's texture: at least the finest grid, MAP-Elites' or the points'.
    static constexpr int TEXTURE_SIDE = 128;

    enum E_CONTENT { EBMC_NONE, EBMC_ELITES, EBMC_ARCHIVE, EBMC_GENERATION };

    BehaviourMap() = default;
    ~BehaviourMap();
    BehaviourMap(const BehaviourMap&) = delete;
    BehaviourMap& operator=(const BehaviourMap&) = delete;

    // Takes what the run has to show when it is another run or another generation than last
    // time; O(1) otherwise. The archive's behaviours are added from where the last call left.
    void sync(const EvolutionRun& run);
    bool hasRun() const { return run != 0; }
    // Something to show: a filled cell or a behaviour. Until then (a run's first generation)
    // the panel is not drawn, and the arena shows under it.
    bool hasContent() const { return filled > 0 || points > 0; }
    E_CONTENT content() const { return shown; }
    int cellsPerAxis() const { return side; }
    int filledCells() const { return filled; }
    // The behaviours counted so far (archive) or in the last generation.
    std::size_t pointCount() const { return points; }
    // Each cell's count (points) or filled flag (elites), row by row from the low corner.
    const std::vector<unsigned>& counts() const { return cellCounts; }
    float lowestFitness() const { return low; }
    float highestFitness() const { return high; }
    // The fittest elite's cell; -1 when none.
    int bestCell() const { return best; }
    // Whether the walls of a maze are drawn, and how many lines they make.
    std::size_t wallLineCount() const { return walls.size(); }

    // The panel: the side panels' column between the chart and the network panel's caption.
    static irr::core::recti panelArea(const irr::core::dimension2du& screen);
    // The square plot inside the panel, clear of the title, the axis names and the legend.
    static irr::core::recti plotArea(const irr::core::dimension2du& screen, irr::gui::IGUIFont* font);
    // The filled MAP-Elites cell under a screen point, as an index into the grid; -1 for none.
    int cellAt(const irr::core::position2di& point, const irr::core::dimension2du& screen,
               irr::gui::IGUIFont* font) const;
    // The centre of a cell on the screen.
    irr::core::position2di cellCentre(int cell, const irr::core::dimension2du& screen, irr::gui::IGUIFont* font) const;

    void draw(irr::video::IVideoDriver* driver, irr::gui::IGUIFont* font, const irr::core::dimension2du& screen);

private:
    void reset();
    void colour();
    void upload(irr::video::IVideoDriver* driver);

    std::uint64_t run = 0;
    int generation = -1;
    E_CONTENT shown = EBMC_NONE;
    std::wstring xName, yName;
    int side = 0;
    std::vector<unsigned> cellCounts;
    std::vector<float> fitness;
    std::size_t points = 0;
    std::size_t archiveSeen = 0;
    int filled = 0;
    int best = -1;
    float low = 0.0f, high = 0.0f;
    // The floor plan in [0, 1] on both axes: pairs of line ends; the start and the goal.
    std::vector<irr::core::vector2df> walls;
    bool maze = false;
    irr::core::vector2df start, goal;
    std::vector<irr::u32> pixels;
    bool pixelsChanged = false;
    irr::video::IVideoDriver* textureDriver = nullptr;
    irr::video::ITexture* texture = nullptr;
};

// The fitness colour ramp, from dark violet at `share` 0 to yellow at 1.
irr::video::SColor fitnessColour(float share);

} // namespace modules
