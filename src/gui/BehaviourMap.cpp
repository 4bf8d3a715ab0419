#include "gui/BehaviourMap.h"

#include "core/Utf8.h"
#include "evolution/EvolutionRun.h"
#include "gui/SidePanel.h"
#include "methods/MapElites.h"
#include "methods/NoveltySearch.h"
#include "tasks/MazeTask.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <set>
#include <tuple>

using namespace irr;

namespace modules {

namespace {

constexpr s32 PAD = 6;
constexpr s32 GAP = 8;          // from the chart above
constexpr s32 CAPTION_ROOM = 30; // the network panel's caption strip below, and a gap
constexpr s32 BAR = 10;          // the legend's colour bar

s32 lineHeight(gui::IGUIFont* font)
{
    return font ? static_cast<s32>(font->getDimension(L"Ag").Height) : 16;
}

core::stringw valueText(float value)
{
    wchar_t text[32];
    std::swprintf(text, 32, L"%.4g", static_cast<double>(value));
    return core::stringw(text);
}

float unit(float value, const BehaviourAxis& axis)
{
    const float range = axis.high - axis.low;
    return range > 0.0f ? (value - axis.low) / range : 0.0f;
}

// Cuts the segment a-b to the unit square (Liang-Barsky); false when none of it is inside.
// The maze's walls reach the arena's edge, beyond the space its behaviours are mapped over.
bool clipToUnit(core::vector2df& a, core::vector2df& b)
{
    float t0 = 0.0f, t1 = 1.0f;
    const core::vector2df d = b - a;
    const float p[4] = {-d.X, d.X, -d.Y, d.Y};
    const float q[4] = {a.X, 1.0f - a.X, a.Y, 1.0f - a.Y};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0f) {
            if (q[k] < 0.0f)
                return false;
            continue;
        }
        const float t = q[k] / p[k];
        if (p[k] < 0.0f)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1)
        return false;
    const core::vector2df from = a;
    a = from + d * t0;
    b = from + d * t1;
    return true;
}

u32 withAlpha(u32 colour, u32 alpha)
{
    return (colour & 0x00FFFFFFu) | (alpha << 24);
}

} // namespace

video::SColor fitnessColour(float share)
{
    // Violet, blue, teal, green, yellow: bright for the fittest, readable on black.
    static const u32 STOPS[] = {0xFF5A1E8C, 0xFF3B528B, 0xFF21918C, 0xFF5EC962, 0xFFFDE725};
    const float s = std::isfinite(share) ? std::clamp(share, 0.0f, 1.0f) * 4.0f : 0.0f;
    const int i = std::min(static_cast<int>(s), 3);
    return video::SColor(STOPS[i]).getInterpolated(video::SColor(STOPS[i + 1]), 1.0f - (s - static_cast<float>(i)));
}

BehaviourMap::~BehaviourMap()
{
    if (texture && textureDriver)
        textureDriver->removeTexture(texture);
}

void BehaviourMap::reset()
{
    shown = EBMC_NONE;
    side = 0;
    cellCounts.clear();
    fitness.clear();
    points = 0;
    archiveSeen = 0;
    filled = 0;
    best = -1;
    low = high = 0.0f;
    walls.clear();
    maze = false;
}

void BehaviourMap::sync(const EvolutionRun& source)
{
    if (source.runId == run && source.generation == generation)
        return;
    if (source.runId != run) {
        reset();
        run = source.runId;
        xName = fromUtf8(source.behaviourSpace.x.name ? source.behaviourSpace.x.name : "");
        yName = fromUtf8(source.behaviourSpace.y.name ? source.behaviourSpace.y.name : "");
        // The maze's behaviour is where a vehicle ended: its space is the floor plan.
        if (const auto* mazeTask = dynamic_cast<const MazeTask*>(source.task.get())) {
            const BehaviourAxis& ax = source.behaviourSpace.x;
            const BehaviourAxis& az = source.behaviourSpace.y;
            const MazeLayout& layout = mazeTask->layout();
            const auto place = [&](float x, float z) { return core::vector2df(unit(x, ax), unit(z, az)); };
            // Each wall triangle's edges seen from above; the sides of a wall fall on one line.
            std::set<std::tuple<long, long, long, long>> seen;
            for (const core::triangle3df& t : layout.walls) {
                const core::vector3df corners[3] = {t.pointA, t.pointB, t.pointC};
                for (int e = 0; e < 3; ++e) {
                    core::vector2df a = place(corners[e].X, corners[e].Z);
                    core::vector2df b = place(corners[(e + 1) % 3].X, corners[(e + 1) % 3].Z);
                    if (!clipToUnit(a, b) || a.getDistanceFromSQ(b) < 1e-8f)
                        continue;
                    if (std::tie(b.X, b.Y) < std::tie(a.X, a.Y))
                        std::swap(a, b);
                    const auto key = std::make_tuple(std::lround(a.X * 1e4f), std::lround(a.Y * 1e4f),
                                                     std::lround(b.X * 1e4f), std::lround(b.Y * 1e4f));
                    if (seen.insert(key).second) {
                        walls.push_back(a);
                        walls.push_back(b);
                    }
                }
            }
            start = place(layout.start.X, layout.start.Y);
            goal = place(layout.goal.X, layout.goal.Y);
            maze = true;
        }
    }
    generation = source.generation;

    if (const auto* elites = dynamic_cast<const MapElites*>(source.method.get())) {
        shown = EBMC_ELITES;
        side = std::clamp(elites->cellsPerAxis(), 1, TEXTURE_SIDE);
        const std::vector<MapElites::Elite>& grid = elites->grid();
        const std::size_t cells = static_cast<std::size_t>(side) * static_cast<std::size_t>(side);
        cellCounts.assign(cells, 0);
        fitness.assign(cells, 0.0f);
        filled = 0;
        best = -1;
        for (std::size_t c = 0; c < cells && c < grid.size(); ++c) {
            if (!grid[c].filled)
                continue;
            cellCounts[c] = 1;
            fitness[c] = grid[c].fitness;
            if (best < 0 || grid[c].fitness > fitness[static_cast<std::size_t>(best)])
                best = static_cast<int>(c);
            low = filled == 0 ? grid[c].fitness : std::min(low, grid[c].fitness);
            high = filled == 0 ? grid[c].fitness : std::max(high, grid[c].fitness);
            ++filled;
        }
        points = 0;
    } else {
        side = POINT_GRID;
        cellCounts.resize(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), 0);
        const auto count = [this](const Behaviour& b) {
            const auto at = [this](float v) {
                return std::isfinite(v) ? std::clamp(static_cast<int>(v * static_cast<float>(side)), 0, side - 1) : 0;
            };
            ++cellCounts[static_cast<std::size_t>(at(b.y) * side + at(b.x))];
            ++points;
        };
        const auto* novelty = dynamic_cast<const NoveltySearch*>(source.method.get());
        if (novelty) {
            const std::vector<Behaviour>& archive = novelty->archive().behaviours();
            // Only what was added since the last generation; a smaller archive is another one.
            if (shown != EBMC_ARCHIVE || archive.size() < archiveSeen) {
                std::fill(cellCounts.begin(), cellCounts.end(), 0u);
                points = 0;
                archiveSeen = 0;
            }
            for (std::size_t i = archiveSeen; i < archive.size(); ++i)
                count(archive[i]);
            archiveSeen = archive.size();
            shown = EBMC_ARCHIVE;
        } else {
            std::fill(cellCounts.begin(), cellCounts.end(), 0u);
            points = 0;
            for (const Behaviour& b : source.lastBehaviours)
                count(b);
            shown = EBMC_GENERATION;
        }
    }
    colour();
}

void BehaviourMap::colour()
{
    pixels.assign(static_cast<std::size_t>(TEXTURE_SIDE) * TEXTURE_SIDE, 0u);
    unsigned most = 0;
    for (unsigned c : cellCounts)
        most = std::max(most, c);
    const float logMost = std::log1p(static_cast<float>(most));
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            const std::size_t cell = static_cast<std::size_t>(j * side + i);
            if (cellCounts[cell] == 0)
                continue;
            u32 colour;
            if (shown == EBMC_ELITES) {
                colour = fitnessColour(high > low ? (fitness[cell] - low) / (high - low) : 1.0f).color;
            } else {
                // Crowded cells stand out; a lone behaviour still shows.
                const float share = logMost > 0.0f ? std::log1p(static_cast<float>(cellCounts[cell])) / logMost : 1.0f;
                colour = withAlpha(shown == EBMC_ARCHIVE ? ARCHIVE_COLOR : GENERATION_COLOR,
                                   static_cast<u32>(120.0f + 135.0f * share));
            }
            // The texture's rows run down the screen; behaviour y runs up.
            pixels[static_cast<std::size_t>((side - 1 - j) * TEXTURE_SIDE + i)] = colour;
        }
    pixelsChanged = true;
}

void BehaviourMap::upload(video::IVideoDriver* driver)
{
    if (!texture) {
        // Drawn large from few pixels: no mipmaps, and the 2D material's filter keeps cells sharp.
        const bool mipMaps = driver->getTextureCreationFlag(video::ETCF_CREATE_MIP_MAPS);
        driver->setTextureCreationFlag(video::ETCF_CREATE_MIP_MAPS, false);
        texture = driver->addTexture(core::dimension2du(TEXTURE_SIDE, TEXTURE_SIDE), "<behaviour map>",
                                     video::ECF_A8R8G8B8);
        driver->setTextureCreationFlag(video::ETCF_CREATE_MIP_MAPS, mipMaps);
        textureDriver = driver;
        if (!texture)
            return;
    }
    if (texture->getColorFormat() != video::ECF_A8R8G8B8 || texture->getSize().Width < TEXTURE_SIDE
        || texture->getSize().Height < TEXTURE_SIDE)
        return;
    auto* data = static_cast<u8*>(texture->lock(video::ETLM_WRITE_ONLY));
    if (!data)
        return;
    for (int y = 0; y < TEXTURE_SIDE; ++y)
        std::copy_n(pixels.data() + static_cast<std::size_t>(y) * TEXTURE_SIDE, TEXTURE_SIDE,
                    reinterpret_cast<u32*>(data + static_cast<std::size_t>(y) * texture->getPitch()));
    texture->unlock();
    pixelsChanged = false;
}

core::recti BehaviourMap::panelArea(const core::dimension2du& screen)
{
    const core::recti chart = sidePanelArea(screen, ESPC_TOP_RIGHT);
    const core::recti network = sidePanelArea(screen, ESPC_BOTTOM_RIGHT);
    const s32 top = chart.LowerRightCorner.Y + GAP;
    const s32 bottom = std::max(top + 1, network.UpperLeftCorner.Y - CAPTION_ROOM);
    return core::recti(chart.UpperLeftCorner.X, top, chart.LowerRightCorner.X, bottom);
}

core::recti BehaviourMap::plotArea(const core::dimension2du& screen, gui::IGUIFont* font)
{
    const core::recti panel = panelArea(screen);
    const s32 fh = lineHeight(font);
    // Rows: the title, the y axis's name, the plot, the x axis's name.
    const s32 top = panel.UpperLeftCorner.Y + PAD + 2 * fh + 2;
    const s32 bottom = panel.LowerRightCorner.Y - PAD - fh - 2;
    // Room on the right for a legend of "-0.0001234"-wide labels, whatever the values.
    const s32 legend = 4 + BAR + 4 + (font ? textWidth(font, L"-0.0001234") : 60);
    const s32 sideLength = std::max(8, std::min(bottom - top, panel.getWidth() - 2 * PAD - legend));
    const s32 left = panel.UpperLeftCorner.X + (panel.getWidth() - sideLength - legend) / 2;
    return core::recti(left, top, left + sideLength, top + sideLength);
}

int BehaviourMap::cellAt(const core::position2di& point, const core::dimension2du& screen, gui::IGUIFont* font) const
{
    if (shown != EBMC_ELITES || side <= 0)
        return -1;
    const core::recti plot = plotArea(screen, font);
    if (!plot.isPointInside(point))
        return -1;
    const s32 w = std::max(plot.getWidth(), 1);
    const int i = std::clamp((point.X - plot.UpperLeftCorner.X) * side / w, 0, side - 1);
    const int j = std::clamp((plot.LowerRightCorner.Y - 1 - point.Y) * side / w, 0, side - 1);
    const int cell = j * side + i;
    return cellCounts[static_cast<std::size_t>(cell)] ? cell : -1;
}

core::position2di BehaviourMap::cellCentre(int cell, const core::dimension2du& screen, gui::IGUIFont* font) const
{
    const core::recti plot = plotArea(screen, font);
    if (side <= 0)
        return plot.getCenter();
    const s32 w = plot.getWidth();
    const int i = cell % side, j = cell / side;
    return core::position2di(plot.UpperLeftCorner.X + (2 * i + 1) * w / (2 * side),
                             plot.LowerRightCorner.Y - (2 * j + 1) * w / (2 * side));
}

void BehaviourMap::draw(video::IVideoDriver* driver, gui::IGUIFont* font, const core::dimension2du& screen)
{
    if (!hasContent() || !font)
        return;
    const core::recti panel = panelArea(screen);
    const core::recti plot = plotArea(screen, font);
    const s32 fh = lineHeight(font);
    const video::SColor text(TEXT_COLOR);
    driver->draw2DRectangle(video::SColor(BACKGROUND_COLOR), panel);

    // Title: what the points are.
    wchar_t title[96];
    if (shown == EBMC_ELITES)
        std::swprintf(title, 96, L"Elites: %d of %d cells", filled, side * side);
    else if (shown == EBMC_ARCHIVE)
        std::swprintf(title, 96, L"Novelty archive: %zu behaviours", points);
    else
        std::swprintf(title, 96, L"Last generation's behaviours");
    const s32 x0 = panel.UpperLeftCorner.X + PAD;
    const s32 y0 = panel.UpperLeftCorner.Y + PAD;
    font->draw(title, core::recti(x0, y0, panel.LowerRightCorner.X - PAD, y0 + fh), text);
    font->draw(yName.c_str(), core::recti(plot.UpperLeftCorner.X, y0 + fh, panel.LowerRightCorner.X, y0 + 2 * fh), text);
    const s32 xw = textWidth(font, xName.c_str());
    font->draw(xName.c_str(), core::recti(plot.getCenter().X - xw / 2, plot.LowerRightCorner.Y + 2,
                                          plot.getCenter().X - xw / 2 + xw + 1, plot.LowerRightCorner.Y + 2 + fh), text);

    if (pixelsChanged)
        upload(driver);
    if (texture && !pixelsChanged)
        driver->draw2DImage(texture, plot, core::recti(0, 0, side, side), nullptr, nullptr, true);

    // The maze's floor plan over the points: the walls, the start and the goal.
    const auto onPlot = [&](const core::vector2df& p) {
        return core::position2di(plot.UpperLeftCorner.X + static_cast<s32>(std::lround(p.X * static_cast<float>(plot.getWidth()))),
                                 plot.LowerRightCorner.Y - static_cast<s32>(std::lround(p.Y * static_cast<float>(plot.getHeight()))));
    };
    const core::position2di shadow(1, 1);
    for (std::size_t k = 0; k + 1 < walls.size(); k += 2)
        driver->draw2DLine(onPlot(walls[k]) + shadow, onPlot(walls[k + 1]) + shadow, video::SColor(SHADOW_COLOR));
    for (std::size_t k = 0; k + 1 < walls.size(); k += 2)
        driver->draw2DLine(onPlot(walls[k]), onPlot(walls[k + 1]), video::SColor(WALL_COLOR));
    if (maze) {
        const s32 r = std::max(3, plot.getWidth() / 36);
        const core::position2di s = onPlot(start), g = onPlot(goal);
        const core::recti startMark(s.X - r, s.Y - r, s.X + r + 1, s.Y + r + 1);
        driver->draw2DRectangleOutline(startMark, video::SColor(START_COLOR));
        driver->draw2DRectangleOutline(core::recti(startMark.UpperLeftCorner + shadow, startMark.LowerRightCorner - shadow),
                                       video::SColor(START_COLOR));
        const core::recti goalMark(g.X - r, g.Y - r, g.X + r + 1, g.Y + r + 1);
        driver->draw2DRectangle(video::SColor(GOAL_COLOR), goalMark);
        driver->draw2DRectangleOutline(goalMark, video::SColor(WALL_COLOR));
    }
    driver->draw2DRectangleOutline(core::recti(plot.UpperLeftCorner.X - 1, plot.UpperLeftCorner.Y - 1,
                                               plot.LowerRightCorner.X + 1, plot.LowerRightCorner.Y + 1),
                                   video::SColor(FRAME_COLOR));

    // The fitness legend: a bar from the lowest elite (bottom) to the fittest (top).
    if (shown == EBMC_ELITES && filled > 0) {
        const s32 bx = plot.LowerRightCorner.X + 4;
        const s32 top = plot.UpperLeftCorner.Y, bottom = plot.LowerRightCorner.Y;
        for (s32 y = top; y < bottom; ++y)
            driver->draw2DLine(core::position2di(bx, y), core::position2di(bx + BAR, y),
                               fitnessColour(static_cast<float>(bottom - 1 - y) / static_cast<float>(std::max(bottom - top - 1, 1))));
        const core::stringw highText = valueText(high), lowText = valueText(low);
        const s32 lx = bx + BAR + 4;
        font->draw(highText.c_str(), core::recti(lx, top, lx + textWidth(font, highText.c_str()) + 1, top + fh), text);
        font->draw(lowText.c_str(), core::recti(lx, bottom - fh, lx + textWidth(font, lowText.c_str()) + 1, bottom), text);
    }
}

} // namespace modules
