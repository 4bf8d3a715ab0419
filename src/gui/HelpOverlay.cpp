#include "gui/HelpOverlay.h"

#include <algorithm>

using namespace irr;

namespace modules {

namespace {

constexpr s32 PAD = 10;
constexpr s32 LINE_GAP = 2;

} // namespace

const wchar_t* const HelpOverlay::LINES[LINE_COUNT] = {
    L"Keys and mouse",
    L"F1: show or hide this help",
    L"F2: show or hide the chart and network panels",
    L"F3: show or hide the behaviour map (click a cell: its elite)",
    L"P: pause or resume the simulation",
    L"N: one simulation step while paused",
    L"+ and -: speed 1x, 2x, 4x, 8x or 16x real time",
    L"Escape: quit",
    L"Left click on a vehicle: follow it, show its network",
    L"    (until its generation ends)",
    L"Mouse wheel: zoom toward the cursor (overview)",
    L"Right-button drag: turn around the arena (overview)",
    L"Follow best, Top-down camera: end the selection",
    L"Top-down camera: back to the overview's own view",
};

core::recti HelpOverlay::area(gui::IGUIFont* font, const core::dimension2du& screen) const
{
    s32 width = 0;
    s32 lineHeight = 0;
    for (const wchar_t* line : LINES) {
        const core::dimension2du size = font->getDimension(line);
        width = std::max(width, static_cast<s32>(size.Width));
        lineHeight = std::max(lineHeight, static_cast<s32>(size.Height));
    }
    const s32 w = width + 2 * PAD;
    const s32 h = LINE_COUNT * (lineHeight + LINE_GAP) + 2 * PAD;
    const s32 left = (static_cast<s32>(screen.Width) - w) / 2;
    const s32 top = (static_cast<s32>(screen.Height) - h) / 2;
    return core::recti(left, top, left + w, top + h);
}

void HelpOverlay::draw(video::IVideoDriver* driver, gui::IGUIFont* font, const core::dimension2du& screen) const
{
    if (!shown || !font)
        return;
    const core::recti panel = area(font, screen);
    driver->draw2DRectangle(video::SColor(BACKGROUND_COLOR), panel);
    const s32 lineHeight = (panel.getHeight() - 2 * PAD) / LINE_COUNT;
    s32 y = panel.UpperLeftCorner.Y + PAD;
    for (const wchar_t* line : LINES) {
        font->draw(line, core::recti(panel.UpperLeftCorner.X + PAD, y, panel.LowerRightCorner.X - PAD, y + lineHeight),
                   video::SColor(TEXT_COLOR));
        y += lineHeight;
    }
}

} // namespace modules
