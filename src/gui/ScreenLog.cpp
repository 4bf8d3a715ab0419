#include "gui/ScreenLog.h"

#include "core/Engine.h"
#include "gui/ScreenLayout.h"

#include <optional>

using namespace irr;

namespace modules {

namespace {

const std::wstring ELLIPSIS = L"...";

// The fewest characters a path keeps when it gives up its start: less says too little.
constexpr size_t MIN_PATH_END = 16;
// How far a cut in the whole text moves to a space, so that no word is left in pieces.
constexpr size_t MAX_WORD_SNAP = 8;

// Where a span gives up its characters: from its middle, from its middle but whole words
// where a space is near, or from its start.
enum class Cut { Middle, Words, Start };

// `text` with `count` characters of its span [from, to) left out and "..." in their place.
// From the middle, each further one comes alternately from the tail's and the head's side;
// with whole words the head then ends just after a space and the tail starts at one (a
// space next to "..." may come back), each when that space is at most MAX_WORD_SNAP
// characters away. Either way the text only loses characters as `count` grows.
std::wstring cutSpan(const std::wstring& text, size_t from, size_t to, size_t count, Cut cut)
{
    const size_t kept = to - from - count;
    size_t headEnd = cut == Cut::Start ? from : from + (kept + 1) / 2;
    size_t tailStart = to - (cut == Cut::Start ? kept : kept / 2);
    if (cut == Cut::Words) {
        for (size_t p = headEnd; p > from && headEnd - p <= MAX_WORD_SNAP; --p)
            if (text[p - 1] == L' ') {
                headEnd = p;
                break;
            }
        for (size_t q = tailStart - 1; q < to && q + 1 - tailStart <= MAX_WORD_SNAP; ++q)
            if (text[q] == L' ') {
                tailStart = q;
                break;
            }
    }
    return text.substr(0, headEnd) + ELLIPSIS + text.substr(tailStart);
}

// The text with the fewest characters of the span [from, to), at most `most`, left out so
// that it fits; none when leaving out `most` does not make it fit.
std::optional<std::wstring> fitBySpan(const std::wstring& text, size_t from, size_t to, size_t most, Cut cut,
                                      s32 width, const TextMeasure& measure)
{
    if (most == 0 || measure(cutSpan(text, from, to, most, cut)) > width)
        return std::nullopt;
    // Leaving out more characters never widens the text: the fewest that fit, by halving.
    size_t tooFew = 0;
    size_t enough = most;
    while (enough - tooFew > 1) {
        const size_t count = tooFew + (enough - tooFew) / 2;
        if (measure(cutSpan(text, from, to, count, cut)) <= width)
            enough = count;
        else
            tooFew = count;
    }
    return cutSpan(text, from, to, enough, cut);
}

bool isSpace(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

} // namespace

std::wstring fitLogLine(const std::wstring& text, s32 width, const TextMeasure& measure)
{
    if (measure(text) <= width)
        return text;

    // The longest word that holds a '/': the line's path.
    size_t pathStart = 0;
    size_t pathEnd = 0;
    for (size_t start = 0; start < text.size();) {
        while (start < text.size() && isSpace(text[start]))
            ++start;
        size_t end = start;
        while (end < text.size() && !isSpace(text[end]))
            ++end;
        if (end - start > pathEnd - pathStart && text.find(L'/', start) < end) {
            pathStart = start;
            pathEnd = end;
        }
        start = end;
    }
    if (pathEnd > pathStart) {
        // Its folders' middle, up to the last '/', which stays before the file name.
        const size_t lastSlash = text.rfind(L'/', pathEnd - 1);
        if (auto fitted = fitBySpan(text, pathStart, lastSlash, lastSlash - pathStart, Cut::Middle, width, measure))
            return *fitted;
        // Its start, when enough of its end stays.
        const size_t length = pathEnd - pathStart;
        if (length > MIN_PATH_END) {
            if (auto fitted = fitBySpan(text, pathStart, pathEnd, length - MIN_PATH_END, Cut::Start, width, measure))
                return *fitted;
        }
    }
    if (auto fitted = fitBySpan(text, 0, text.size(), text.size(), Cut::Words, width, measure))
        return *fitted;
    return ELLIPSIS;
}

ScreenLog::ScreenLog()
{
    for (int i = 0; i < LINE_COUNT; ++i) {
        lines[i] = engine.guiEnvironment->addStaticText(L"", core::rect<s32>(), false, false, nullptr, -1, false);
        // Translucent black text over the light floor reads better than a dark band
        // behind the skin's dark text.
        lines[i]->setOverrideColor(video::SColor(TEXT_COLOR));
    }
    layout(engine.driver->getScreenSize());
}

void ScreenLog::layout(const core::dimension2du& screenSize)
{
    using namespace ScreenLayout;
    const s32 top = static_cast<s32>(screenSize.Height) - LOG_BAND;
    for (int i = 0; i < LINE_COUNT; ++i) {
        const s32 lineTop = top + LOG_LINE_HEIGHT * i;
        lines[i]->setRelativePosition(
            core::rect<s32>(LOG_LEFT, lineTop, LOG_LEFT + LOG_WIDTH, lineTop + LOG_LINE_HEIGHT));
        show(i);
    }
}

void ScreenLog::writeLine(const wchar_t* text)
{
    for (int i = LINE_COUNT - 1; i > 0; --i)
        texts[i] = texts[i - 1];
    texts[0] = text;
    for (int i = 0; i < LINE_COUNT; ++i)
        show(i);
}

void ScreenLog::clear()
{
    for (int i = 0; i < LINE_COUNT; ++i) {
        texts[i].clear();
        show(i);
    }
}

void ScreenLog::show(int line)
{
    gui::IGUIStaticText* shown = lines[line];
    gui::IGUIFont* font = shown->getActiveFont();
    if (!font) {
        shown->setText(texts[line].c_str());
        return;
    }
    const TextMeasure measure = [font](const std::wstring& text) {
        return static_cast<s32>(font->getDimension(text.c_str()).Width);
    };
    shown->setText(fitLogLine(texts[line], shown->getRelativePosition().getWidth(), measure).c_str());
}

} // namespace modules
