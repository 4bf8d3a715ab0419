#include "gui/SidePanel.h"

#include <algorithm>

using namespace irr;

namespace modules {

namespace {

constexpr s32 MARGIN = 10; // from the screen's edges, as the windows and the log keep

} // namespace

core::recti sidePanelArea(const core::dimension2du& screen, E_SIDE_PANEL_CORNER corner)
{
    const s32 w = static_cast<s32>(screen.Width);
    const s32 h = static_cast<s32>(screen.Height);
    const s32 width = std::clamp(w * 3 / 10, 220, 480);
    const s32 height = std::clamp(h * 3 / 10, 170, 300);
    const s32 top = corner == ESPC_TOP_RIGHT ? MARGIN : h - MARGIN - height;
    return core::recti(w - MARGIN - width, top, w - MARGIN, top + height);
}

s32 textWidth(gui::IGUIFont* font, const wchar_t* text)
{
    return static_cast<s32>(font->getDimension(text).Width);
}

} // namespace modules
