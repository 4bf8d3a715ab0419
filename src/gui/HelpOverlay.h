#pragma once

#include <irrlicht.h>

namespace modules {

// The small panel that F1 shows and hides: every key and mouse action of the window.
class HelpOverlay {
public:
    static constexpr irr::u32 BACKGROUND_COLOR = 0xD2000000;
    static constexpr irr::u32 TEXT_COLOR = 0xFFFFFFFF;
    static constexpr int LINE_COUNT = 14;
    static const wchar_t* const LINES[LINE_COUNT];

    void toggle() { shown = !shown; }
    // Centred on the screen, sized to its lines.
    irr::core::recti area(irr::gui::IGUIFont* font, const irr::core::dimension2du& screen) const;
    void draw(irr::video::IVideoDriver* driver, irr::gui::IGUIFont* font, const irr::core::dimension2du& screen) const;

    bool shown = false;
};

} // namespace modules
