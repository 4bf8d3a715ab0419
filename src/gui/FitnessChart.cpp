#include "gui/FitnessChart.h"

#include "gui/SidePanel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>

using namespace irr;

namespace modules {

namespace {

constexpr s32 PAD = 6;           // inside the panel
constexpr s32 SWATCH = 14;       // a legend entry's line
constexpr s32 TICK = 3;          // half a lone generation's mark
const wchar_t* const TITLE = L"Fitness";
const wchar_t* const LEGEND[] = {L"best", L"mean", L"median"};
const u32 SERIES_COLORS[] = {FitnessChart::BEST_COLOR, FitnessChart::MEAN_COLOR, FitnessChart::MEDIAN_COLOR};

bool sameBits(const GenerationFitness& a, const GenerationFitness& b)
{
    return std::memcmp(&a.best, &b.best, sizeof a.best) == 0 && std::memcmp(&a.mean, &b.mean, sizeof a.mean) == 0
        && std::memcmp(&a.median, &b.median, sizeof a.median) == 0;
}

core::stringw label(double value)
{
    wchar_t text[32];
    std::swprintf(text, 32, L"%g", value);
    return core::stringw(text);
}

s32 lineHeight(gui::IGUIFont* font)
{
    return static_cast<s32>(font->getDimension(L"Ag").Height);
}

s32 legendWidth(gui::IGUIFont* font)
{
    s32 width = 0;
    for (const wchar_t* entry : LEGEND)
        width += SWATCH + 3 + textWidth(font, entry) + 8;
    return width - 8;
}

// The title and the legend share a row when they fit, else the legend gets its own.
bool legendBelowTitle(const core::recti& panel, gui::IGUIFont* font)
{
    return textWidth(font, TITLE) + 16 + legendWidth(font) > panel.getWidth() - 2 * PAD;
}

int tickCount(const ChartScale& scale)
{
    const double intervals = (static_cast<double>(scale.high) - scale.low) / scale.step;
    return std::isfinite(intervals) ? static_cast<int>(std::lround(std::clamp(intervals, 1.0, 10.0))) + 1 : 2;
}

float valueOf(const ValueRange& range, int which)
{
    switch (which) {
    case 0: return range.first;
    case 1: return range.last;
    case 2: return range.low;
    default: return range.high;
    }
}

const ValueRange& seriesOf(const FitnessColumn& column, E_FITNESS_SERIES series)
{
    return series == EFS_BEST ? column.best : series == EFS_MEAN ? column.mean : column.median;
}

} // namespace

FitnessChart::FitnessChart()
    : columns(2)
{
}

void FitnessChart::sync(std::uint64_t newRun, const std::vector<GenerationFitness>& history)
{
    const bool continued = newRun == run && history.size() >= copy.size()
        && (copy.empty() || (sameBits(history.front(), copy.front()) && sameBits(history[copy.size() - 1], copy.back())));
    if (!continued) {
        copy.clear();
        columns.clear();
        linesValid = false;
    }
    run = newRun;
    runSeen = true;
    for (size_t i = copy.size(); i < history.size(); ++i) {
        copy.push_back(history[i]);
        columns.add(history[i]);
        linesValid = false;
    }
}

core::recti FitnessChart::panelArea(const core::dimension2du& screen)
{
    return sidePanelArea(screen, ESPC_TOP_RIGHT);
}

core::recti FitnessChart::plotArea(const core::recti& panel, gui::IGUIFont* font, const ChartScale& scale,
                                   long long generations)
{
    const s32 fh = lineHeight(font);
    s32 labelWidth = 0;
    const int ticks = tickCount(scale);
    for (int i = 0; i < ticks; ++i)
        labelWidth = std::max(labelWidth, textWidth(font, label(tickValue(scale, i)).c_str()));
    const s32 lastLabel = textWidth(font, label(static_cast<double>(std::max(generations, 1LL))).c_str());
    const s32 headerRows = legendBelowTitle(panel, font) ? 2 : 1;
    const s32 top = panel.UpperLeftCorner.Y + PAD + headerRows * fh + fh / 2 + 2;
    const s32 bottom = panel.LowerRightCorner.Y - PAD - fh - 2;
    const s32 left = panel.UpperLeftCorner.X + PAD + labelWidth + 5;
    const s32 right = panel.LowerRightCorner.X - PAD - lastLabel / 2 - 1;
    return core::recti(left, top, std::max(left + 2, right), std::max(top + 2, bottom));
}

void appendSeriesLines(const FitnessColumns& columns, E_FITNESS_SERIES series, const ChartScale& scale,
                       const core::recti& plot, video::SColor colour, std::vector<video::S3DVertex>& out)
{
    const std::vector<FitnessColumn>& list = columns.columns();
    if (list.empty())
        return;
    const long long n = columns.generationCount();
    const float left = static_cast<float>(plot.UpperLeftCorner.X);
    const float right = static_cast<float>(plot.LowerRightCorner.X);
    const float top = static_cast<float>(plot.UpperLeftCorner.Y);
    const float bottom = static_cast<float>(plot.LowerRightCorner.Y);
    const double range = static_cast<double>(scale.high) - static_cast<double>(scale.low);
    const auto xOf = [&](double generation) {
        if (n < 2)
            return std::round((left + right) / 2.0f);
        return std::round(left + static_cast<float>((generation - 1.0) / static_cast<double>(n - 1)) * (right - left));
    };
    const auto yOf = [&](float value) {
        const double share = (static_cast<double>(value) - scale.low) / range;
        if (!std::isfinite(share))
            return share > 0.0 ? top : bottom; // NaN and -inf at the bottom, +inf at the top
        return std::round(std::clamp(bottom - static_cast<float>(share) * (bottom - top), top, bottom));
    };
    const auto line = [&](float x0, float y0, float x1, float y1) {
        out.emplace_back(x0, y0, 0.0f, 0.0f, 0.0f, -1.0f, colour, 0.0f, 0.0f);
        out.emplace_back(x1, y1, 0.0f, 0.0f, 0.0f, -1.0f, colour, 0.0f, 0.0f);
    };

    if (n == 1) {
        const float x = xOf(1.0);
        const float y = yOf(seriesOf(list.front(), series).first);
        line(x - TICK, y, x + TICK, y);
        return;
    }
    float previousX = 0.0f, previousY = 0.0f;
    for (size_t i = 0; i < list.size(); ++i) {
        const FitnessColumn& column = list[i];
        const ValueRange& values = seriesOf(column, series);
        const float x0 = xOf(static_cast<double>(column.firstGeneration));
        const float x1 = xOf(static_cast<double>(column.lastGeneration));
        const float y0 = yOf(valueOf(values, 0));
        const float y1 = yOf(valueOf(values, 1));
        if (i > 0)
            line(previousX, previousY, x0, y0);
        if (column.lastGeneration > column.firstGeneration) {
            const float xm = std::round((x0 + x1) / 2.0f);
            line(xm, yOf(values.low), xm, yOf(values.high));
            line(x0, y0, x1, y1);
        }
        previousX = x1;
        previousY = y1;
    }
}

void FitnessChart::buildLines(const core::recti& plot, const ChartScale& scale)
{
    lines.clear();
    // The median first, so that the best and the mean are drawn over it.
    for (E_FITNESS_SERIES series : {EFS_MEDIAN, EFS_MEAN, EFS_BEST})
        appendSeriesLines(columns, series, scale, plot, video::SColor(SERIES_COLORS[series]), lines);
    indices.resize(lines.size());
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = static_cast<u16>(i % 65536);
    linesPlot = plot;
    linesValid = true;
}

void FitnessChart::draw(video::IVideoDriver* driver, gui::IGUIFont* font, const core::dimension2du& screen)
{
    if (!runSeen || !font)
        return;
    const core::recti panel = panelArea(screen);
    const ChartScale scale = chartScale(columns.lowest(), columns.highest());
    const core::recti plot = plotArea(panel, font, scale, columns.generationCount());
    // The panel's width bounds the plot's: the columns change only when the screen does,
    // not with the width of the axis labels.
    const std::size_t capacity = static_cast<std::size_t>(panel.getWidth());
    if (capacity != columns.capacity()) {
        columns.rebuild(capacity, copy);
        linesValid = false;
    }
    if (!linesValid || plot != linesPlot)
        buildLines(plot, scale);

    driver->draw2DRectangle(video::SColor(BACKGROUND_COLOR), panel);
    const s32 fh = lineHeight(font);
    const video::SColor text(TEXT_COLOR);

    // Title and legend.
    const s32 headerTop = panel.UpperLeftCorner.Y + PAD;
    font->draw(TITLE, core::recti(panel.UpperLeftCorner.X + PAD, headerTop, panel.LowerRightCorner.X, headerTop + fh),
               text);
    const bool below = legendBelowTitle(panel, font);
    s32 x = below ? panel.UpperLeftCorner.X + PAD : panel.LowerRightCorner.X - PAD - legendWidth(font);
    const s32 legendTop = below ? headerTop + fh : headerTop;
    for (int i = 0; i < 3; ++i) {
        const s32 y = legendTop + fh / 2;
        const video::SColor colour(SERIES_COLORS[i]);
        driver->draw2DLine(core::vector2di(x, y), core::vector2di(x + SWATCH, y), colour);
        driver->draw2DLine(core::vector2di(x, y + 1), core::vector2di(x + SWATCH, y + 1), colour);
        x += SWATCH + 3;
        font->draw(LEGEND[i], core::recti(x, legendTop, x + textWidth(font, LEGEND[i]) + 1, legendTop + fh), text);
        x += textWidth(font, LEGEND[i]) + 8;
    }

    // Fitness axis: a grid line and a label at each step.
    const s32 left = plot.UpperLeftCorner.X, right = plot.LowerRightCorner.X;
    const s32 top = plot.UpperLeftCorner.Y, bottom = plot.LowerRightCorner.Y;
    const int ticks = tickCount(scale);
    for (int i = 0; i < ticks; ++i) {
        const s32 y = bottom - static_cast<s32>(std::lround(static_cast<double>(i) / (ticks - 1) * (bottom - top)));
        // Below a negative bottom the zero line stands out: the sign of the fitness changes there.
        if (i > 0)
            driver->draw2DLine(core::vector2di(left + 1, y), core::vector2di(right, y),
                               video::SColor(tickValue(scale, i) == 0.0 ? AXIS_COLOR : GRID_COLOR));
        const core::stringw value = label(tickValue(scale, i));
        const s32 w = textWidth(font, value.c_str());
        font->draw(value.c_str(), core::recti(left - 4 - w, y - fh / 2, left - 4, y - fh / 2 + fh), text);
    }
    driver->draw2DLine(core::vector2di(left, top), core::vector2di(left, bottom), video::SColor(AXIS_COLOR));
    driver->draw2DLine(core::vector2di(left, bottom), core::vector2di(right, bottom), video::SColor(AXIS_COLOR));

    // Generation axis: the first and the last generation, and the middle one of a long run.
    const long long n = std::max(columns.generationCount(), 1LL);
    const s32 labelTop = bottom + 2;
    const auto generationLabel = [&](long long generation, s32 xAt) {
        const core::stringw value = label(static_cast<double>(generation));
        const s32 w = textWidth(font, value.c_str());
        font->draw(value.c_str(), core::recti(xAt - w / 2, labelTop, xAt - w / 2 + w + 1, labelTop + fh), text);
    };
    if (n == 1) {
        generationLabel(1, (left + right) / 2);
    } else {
        generationLabel(1, left);
        generationLabel(n, right);
        if (n >= 3 && right - left > 4 * textWidth(font, label(static_cast<double>(n)).c_str())) {
            const long long middle = (n + 1) / 2;
            generationLabel(middle, left + static_cast<s32>(std::lround(
                                            static_cast<double>(middle - 1) / static_cast<double>(n - 1) * (right - left))));
        }
    }

    // The series: one call for all of them (the plot's width bounds the vertex count far
    // below the 16-bit index limit).
    if (!lines.empty())
        driver->draw2DVertexPrimitiveList(lines.data(), static_cast<u32>(lines.size()), indices.data(),
                                          static_cast<u32>(lines.size() / 2), video::EVT_STANDARD, scene::EPT_LINES,
                                          video::EIT_16BIT);
}

} // namespace modules
