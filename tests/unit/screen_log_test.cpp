// Lines wider than the screen log: shortened in the middle with "..." so that they fit the
// log's width in the GUI's font, their end still visible; the log's own short lines shown
// exactly as written. The log keeps every line's whole text.

#include "TestEngine.h"

#include "gui/ScreenLayout.h"
#include "gui/ScreenLog.h"

#include <gtest/gtest.h>

#include <string>

using modules::engine;
using modules::fitLogLine;
using namespace irr;

namespace {

// One pixel a character: widths are lengths.
s32 length(const std::wstring& text)
{
    return static_cast<s32>(text.size());
}

bool endsWith(const std::wstring& text, const std::wstring& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool startsWith(const std::wstring& text, const std::wstring& start)
{
    return text.compare(0, start.size(), start) == 0;
}

class ScreenLogTest : public testing_support::NullEngineTest {
protected:
    // The log as the window has it: with the GUI's font.
    void SetUp() override { startEngine(5, true); }

    modules::ScreenLog& log() { return *engine.screenLog; }
    std::wstring shown(int i) { return log().lines[i]->getText(); }
    s32 widthOf(const std::wstring& text)
    {
        return static_cast<s32>(log().lines[0]->getActiveFont()->getDimension(text.c_str()).Width);
    }
};

} // namespace

TEST(FitLogLine, ATextThatFitsIsLeftAsItIs)
{
    EXPECT_EQ(fitLogLine(L"Evolution started!", 18, length), L"Evolution started!");
    EXPECT_EQ(fitLogLine(L"Saved to /a/b/c.json", 100, length), L"Saved to /a/b/c.json");
    EXPECT_EQ(fitLogLine(L"", 0, length), L"");
}

TEST(FitLogLine, APathGivesUpTheMiddleOfItsFoldersFirst)
{
    const std::wstring text = L"Loaded population of 20 vehicles from /home/user/runs/2024/neat.json (generation 60)";
    const std::wstring fitted = fitLogLine(text, 70, length);
    EXPECT_EQ(fitted.size(), 70u);
    EXPECT_EQ(fitted, L"Loaded population of 20 vehicles from /h...4/neat.json (generation 60)");
    // As few characters as make it fit: one more pixel keeps one more.
    EXPECT_EQ(fitLogLine(text, 71, length).size(), 71u);
    EXPECT_EQ(fitLogLine(text, static_cast<s32>(text.size()) - 1, length).size(), text.size() - 1);
}

TEST(FitLogLine, WithoutEnoughFoldersAPathGivesUpItsStartKeepingItsEnd)
{
    const std::wstring path = L"/a/b/population-2024-05-17-101500-generation-60.json";
    const std::wstring text = L"Saved to " + path + L" now";
    ASSERT_EQ(text.size(), 65u);
    EXPECT_EQ(fitLogLine(text, 40, length), L"Saved to ..." + path.substr(28) + L" now");
    // Down to its last 16 characters, no further.
    EXPECT_EQ(fitLogLine(text, 32, length), L"Saved to ..." + path.substr(36) + L" now");
    EXPECT_EQ(path.substr(36), L"neration-60.json");
}

TEST(FitLogLine, WithoutARoomyPathTheWholeTextIsCutInItsMiddle)
{
    // A path of 16 characters or fewer keeps its start.
    const std::wstring text = L"Loaded population of 20 vehicles from /tmp/neat.json (generation 60)";
    // Its words stay whole where a space is near the cut.
    EXPECT_EQ(fitLogLine(text, 40, length), L"Loaded population of ... (generation 60)");
    EXPECT_EQ(fitLogLine(L"Cannot start: a population of 2147483647 is above the limit of 10000.", 60, length),
              L"Cannot start: a population ... is above the limit of 10000.");
    // A long path that cannot give up enough: no space near the tail's side of the cut.
    const std::wstring saved = L"Saved to /a/b/population-2024-05-17-101500-generation-60.json now";
    EXPECT_EQ(fitLogLine(saved, 31, length), L"Saved to ...ation-60.json now");
    // No space at all: the characters' middle.
    EXPECT_EQ(fitLogLine(L"abcdefghijklmnopqrstuvwxyz", 11, length), L"abcd...wxyz");
    // Narrower than the ellipsis: the ellipsis.
    EXPECT_EQ(fitLogLine(L"abcdefghijklmnopqrstuvwxyz", 2, length), L"...");
}

TEST(FitLogLine, WideCharactersCountByTheirWidth)
{
    // 'W' ten pixels, everything else one: what fits is measured, not counted.
    const modules::TextMeasure measure = [](const std::wstring& text) {
        s32 width = 0;
        for (wchar_t c : text)
            width += c == L'W' ? 10 : 1;
        return width;
    };
    const std::wstring text = L"Saved to /WWWWWWWWWW/x.json";
    const std::wstring fitted = fitLogLine(text, 30, measure);
    EXPECT_EQ(fitted, L"Saved to /...W/x.json");
    EXPECT_EQ(measure(fitted), 30);
}

TEST_F(ScreenLogTest, ALongLineWithAPathFitsTheLogAndEndsWithItsTail)
{
    const s32 width = modules::ScreenLayout::LOG_WIDTH;
    const auto fitsClosely = [&](const std::wstring& text) {
        // Within the width, and only as much left out as needed: less than a wide glyph more
        // would have fitted.
        return widthOf(text) <= width && widthOf(text) > width - widthOf(L"WW");
    };
    // The line of the report, cut at "(generation" before: its path is too short to give up
    // anything, so the whole line gives up its middle, in whole words.
    const std::wstring loaded = L"Loaded population of 20 vehicles from /tmp/neat.json (generation 60)";
    ASSERT_GT(widthOf(loaded), width) << "the line is wider than the log";
    log().writeLine(loaded.c_str());
    EXPECT_EQ(log().text(0), loaded);
    EXPECT_EQ(shown(0), L"Loaded population of 20 ... /tmp/neat.json (generation 60)");
    EXPECT_LE(widthOf(shown(0)), width);

    // Long folders give up their middle; the file name and the words stay whole.
    const std::wstring deep = L"Loaded population of 20 vehicles from /home/somebody/experiments/2024/a.json (generation 60)";
    ASSERT_GT(widthOf(deep), width);
    log().writeLine(deep.c_str());
    EXPECT_EQ(log().text(0), deep);
    EXPECT_TRUE(fitsClosely(shown(0))) << widthOf(shown(0));
    EXPECT_TRUE(startsWith(shown(0), L"Loaded population of 20 vehicles from /")) << core::stringc(shown(0).c_str()).c_str();
    EXPECT_TRUE(endsWith(shown(0), L"/a.json (generation 60)")) << core::stringc(shown(0).c_str()).c_str();
    EXPECT_NE(shown(0).find(L"..."), std::wstring::npos);

    // A saved population's usual line: the path gives up its start, the file name's end stays.
    const std::wstring saved =
        L"Population saved to /home/somebody/.local/share/kinetarium/population-2024-05-17-101500-generation-60.json";
    ASSERT_GT(widthOf(saved), width);
    log().writeLine(saved.c_str());
    EXPECT_EQ(log().text(0), saved);
    EXPECT_TRUE(fitsClosely(shown(0))) << widthOf(shown(0));
    EXPECT_TRUE(startsWith(shown(0), L"Population saved to ...")) << core::stringc(shown(0).c_str()).c_str();
    EXPECT_TRUE(endsWith(shown(0), L"101500-generation-60.json")) << core::stringc(shown(0).c_str()).c_str();

    // A generation report of a long run no longer loses its fitness at the end.
    const std::wstring report = L"Generation 1234. Best vehicle fitness in last generation was 123.0";
    ASSERT_GT(widthOf(report), width);
    log().writeLine(report.c_str());
    EXPECT_TRUE(fitsClosely(shown(0))) << widthOf(shown(0));
    EXPECT_TRUE(startsWith(shown(0), L"Generation 1234. Best vehicle")) << core::stringc(shown(0).c_str()).c_str();
    EXPECT_TRUE(endsWith(shown(0), L"generation was 123.0")) << core::stringc(shown(0).c_str()).c_str();

    // Moved down the log, each line stays fitted, its whole text behind it.
    EXPECT_EQ(log().text(3), loaded);
    EXPECT_TRUE(endsWith(shown(3), L"/tmp/neat.json (generation 60)"));
    EXPECT_LE(widthOf(shown(3)), width);
    log().writeLine(L"Simulation paused.");
    EXPECT_EQ(log().text(4), loaded);
    EXPECT_LE(widthOf(shown(4)), width);
    EXPECT_TRUE(endsWith(shown(4), L"/tmp/neat.json (generation 60)"));
    log().writeLine(L"Simulation resumed.");
    for (int i = 0; i < modules::ScreenLog::LINE_COUNT; ++i)
        EXPECT_NE(log().text(i), loaded);
    log().clear();
    for (int i = 0; i < modules::ScreenLog::LINE_COUNT; ++i) {
        EXPECT_EQ(shown(i), L"");
        EXPECT_EQ(log().text(i), L"");
    }
}

TEST_F(ScreenLogTest, TheLogsOwnLinesAreShownAsWritten)
{
    const wchar_t* own[] = {
        L"Evolution started!",
        L"Method: neat (NEAT: 1 species, mean genome size 8).",
        L"Generation 12. Best vehicle fitness in last generation was 12.0",
        L"Camera is now following the best performing vehicle.",
        L"Population saved to /tmp/p.json",
        L"Speed: 16x real time.",
    };
    for (const wchar_t* line : own) {
        ASSERT_LE(widthOf(line), modules::ScreenLayout::LOG_WIDTH) << core::stringc(line).c_str();
        log().writeLine(line);
        EXPECT_EQ(shown(0), line);
        EXPECT_EQ(log().text(0), line);
    }
    // The same five static texts: 500 by 16 pixels, one above the other, no word wrap.
    for (int i = 0; i < modules::ScreenLog::LINE_COUNT; ++i) {
        const core::rect<s32> area = log().lines[i]->getRelativePosition();
        EXPECT_EQ(area.getWidth(), 500);
        EXPECT_EQ(area.getHeight(), 16);
        EXPECT_EQ(area.UpperLeftCorner.X, 10);
        EXPECT_EQ(area.LowerRightCorner.Y, 768 - 10 - 16 * (4 - i));
        EXPECT_FALSE(log().lines[i]->isWordWrapEnabled());
    }
}

namespace {

class ScreenLogWithoutGui : public testing_support::NullEngineTest {};

} // namespace

TEST_F(ScreenLogWithoutGui, KeepsTheWholeLinesThatKinetariumBatchPrints)
{
    // kinetarium-batch's engine: no GUI, the log's lines in the engine's built-in font. What
    // the batch prints is the whole text, whatever the log shows.
    startEngine(5, false);
    const std::wstring report = L"Generation 123456. Best vehicle fitness in last generation was 12345.0 "
                                L"and a line far wider than the log, whatever its font";
    engine.screenLog->writeLine(report.c_str());
    EXPECT_EQ(engine.screenLog->text(0), report);
    gui::IGUIFont* font = engine.screenLog->lines[0]->getActiveFont();
    ASSERT_NE(font, nullptr);
    EXPECT_LE(static_cast<s32>(font->getDimension(engine.screenLog->lines[0]->getText()).Width),
              modules::ScreenLayout::LOG_WIDTH);
}
