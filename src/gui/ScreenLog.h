#pragma once

#include <irrlicht.h>

namespace modules {

// Five lines of messages near the bottom left; the newest on top.
class ScreenLog {
public:
    static constexpr int LINE_COUNT = 5;
    // The colour of each line: translucent black, applied as the text's own colour.
    static constexpr irr::u32 TEXT_COLOR = 0xA0000000;

    ScreenLog();
    // Puts the lines at the bottom left of a screen of this size.
    void layout(const irr::core::dimension2du& screenSize);
    void writeLine(const wchar_t* text);
    void clear();

    irr::gui::IGUIStaticText* lines[LINE_COUNT] = {};
};

} // namespace modules
