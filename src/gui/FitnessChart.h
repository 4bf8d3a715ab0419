#pragma once

#include "evolution/FitnessHistory.h"
#include "gui/FitnessColumns.h"

#include <irrlicht.h>

#include <cstdint>
#include <vector>

namespace modules {

// The translucent "Fitness" panel in the top-right corner: best, mean and median of every
// finished generation of the current (or last stopped) run. It keeps its own copy of the
// history, so it still shows a run after Stop has deleted the run.
class FitnessChart {
public:
    static constexpr irr::u32 BACKGROUND_COLOR = 0xB4000000; // translucent black
    static constexpr irr::u32 TEXT_COLOR = 0xFFFFFFFF;
    static constexpr irr::u32 AXIS_COLOR = 0xFFC8C8C8;
    static constexpr irr::u32 GRID_COLOR = 0xFF505050;
    static constexpr irr::u32 BEST_COLOR = 0xFFFF8C1E;   // orange
    static constexpr irr::u32 MEAN_COLOR = 0xFF46BEFF;   // sky blue
    static constexpr irr::u32 MEDIAN_COLOR = 0xFFAAE6AA; // pale green, lighter than the others

    FitnessChart();

    // Takes the new generations of the history of the run numbered `runId` (EvolutionRun::runId);
    // a different run (or a history that is no continuation of the copy, as after a load)
    // replaces the copy. O(1) when nothing changed.
    void sync(std::uint64_t runId, const std::vector<GenerationFitness>& history);
    // True once a run has been seen: the chart stays until the next run replaces it.
    bool hasRun() const { return runSeen; }
    const std::vector<GenerationFitness>& history() const { return copy; }
    const FitnessColumns& reduction() const { return columns; }

    // Draws the panel for a screen of this size; the cost grows with the panel's width only.
    void draw(irr::video::IVideoDriver* driver, irr::gui::IGUIFont* font, const irr::core::dimension2du& screen);
    // Forces the next draw to rebuild its lines (the benchmark's worst case).
    void invalidate() { linesValid = false; }

    // The panel's place: a share of the screen in its top-right corner, out of the way of
    // the windows in the top-left corner and of the log in the bottom-left one.
    static irr::core::recti panelArea(const irr::core::dimension2du& screen);
    // The plot inside `panel`, leaving room for the title, the legend and the axis labels.
    static irr::core::recti plotArea(const irr::core::recti& panel, irr::gui::IGUIFont* font,
                                     const ChartScale& scale, long long generations);

private:
    void buildLines(const irr::core::recti& plot, const ChartScale& scale);

    std::uint64_t run = 0;
    bool runSeen = false;
    std::vector<GenerationFitness> copy;
    FitnessColumns columns;
    std::vector<irr::video::S3DVertex> lines;
    std::vector<irr::u16> indices;
    irr::core::recti linesPlot;
    bool linesValid = false;
};

enum E_FITNESS_SERIES { EFS_BEST, EFS_MEAN, EFS_MEDIAN };

// Appends one series as pairs of line ends (screen pixels, z = 0) inside `plot`: a line
// through each column's first and last value, and for a column of several generations a
// vertical stroke over its range. The first generation lies on the left edge and the last
// on the right; a single generation is a short tick in the middle.
void appendSeriesLines(const FitnessColumns& columns, E_FITNESS_SERIES series, const ChartScale& scale,
                       const irr::core::recti& plot, irr::video::SColor colour,
                       std::vector<irr::video::S3DVertex>& out);

} // namespace modules
