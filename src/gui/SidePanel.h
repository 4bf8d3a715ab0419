#pragma once

#include <irrlicht.h>

namespace modules {

// The translucent panels at the screen's right side: the fitness chart in the top-right
// corner, the network view in the bottom-right one.
enum E_SIDE_PANEL_CORNER { ESPC_TOP_RIGHT, ESPC_BOTTOM_RIGHT };

// A share of the screen in that corner, out of the way of the windows in the top-left
// corner and of the log in the bottom-left one.
irr::core::recti sidePanelArea(const irr::core::dimension2du& screen, E_SIDE_PANEL_CORNER corner);

// The width of `text` in `font`, in pixels.
irr::s32 textWidth(irr::gui::IGUIFont* font, const wchar_t* text);

} // namespace modules
