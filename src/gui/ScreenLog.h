#pragma once

#include <irrlicht.h>

#include <functional>
#include <string>

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
    // A line's whole text (0 the newest). Its static text shows it as fitLogLine fits it
    // into the line's width with the line's font: the same text when it fits.
    const std::wstring& text(int line) const { return texts[line]; }

    irr::gui::IGUIStaticText* lines[LINE_COUNT] = {};

private:
    // Sets the static text of `line` from its whole text.
    void show(int line);

    std::wstring texts[LINE_COUNT];
};

// Text's width in pixels.
using TextMeasure = std::function<irr::s32(const std::wstring&)>;

// What a log line shows of `text` in `width` pixels: the text itself when it fits. A wider
// text is shortened, the characters left out replaced by "..." (the log's font has ASCII
// only), leaving out as few as make it fit. When the text holds a path (its longest word
// with a '/'), the path gives them up if it can, the words around it staying whole: first
// from the middle of its folders (its start and its file name stay), else from its start as
// long as its last 16 characters stay. Otherwise the whole text is cut in its middle, at
// spaces where one is near, so that its start and its end stay visible.
std::wstring fitLogLine(const std::wstring& text, irr::s32 width, const TextMeasure& measure);

} // namespace modules
