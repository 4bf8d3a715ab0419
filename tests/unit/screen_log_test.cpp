// Lines wider than the screen log: shortened with "..." so that they fit the log's width,
// their end still visible; the log's own short lines shown exactly as written, and every
// line's whole text kept.

#include "TestEngine.h"

#include "gui/ScreenLayout.h"
#include "gui/ScreenLog.h"

#include <gtest/gtest.h>

#include <string>

using modules::engine;
using modules::fitLogLine;
using namespace irr;

namespace {

// One pixel a character, except 'W' at ten: what fits is measured, not counted.
s32 measure(const std::wstring& text)
{
    s32 width = 0;
    for (wchar_t c : text)
        width += c == L'W' ? 10 : 1;
    return width;
}

std::string narrow(const std::wstring& text)
{
    return core::stringc(text.c_str()).c_str();
}

} // namespace

TEST(FitLogLine, LeavesOutTheFewestCharactersFromThePathFirstElseTheMiddle)
{
    const std::wstring deep = L"Loaded population of 20 vehicles from /home/user/runs/2024/neat.json (generation 60)";
    const std::wstring shallow = L"Loaded population of 20 vehicles from /tmp/neat.json (generation 60)";
    const std::wstring longName = L"Saved to /a/b/population-2024-05-17-101500-generation-60.json now";
    const struct {
        std::wstring text;
        s32 width;
        std::wstring shown;
    } cases[] = {
        {L"Evolution started!", 18, L"Evolution started!"},
        {L"", 0, L""},
        // The middle of the folders; one more pixel keeps one more character.
        {deep, 70, L"Loaded population of 20 vehicles from /h...4/neat.json (generation 60)"},
        {deep, 71, L"Loaded population of 20 vehicles from /h...24/neat.json (generation 60)"},
        // Too few folders: the path's start, down to its last 16 characters and no further.
        {longName, 40, L"Saved to ...01500-generation-60.json now"},
        {longName, 32, L"Saved to ...neration-60.json now"},
        // Then the whole text's middle, at spaces where one is near, else anywhere.
        {longName, 31, L"Saved to ...ation-60.json now"},
        {shallow, 40, L"Loaded population of ... (generation 60)"},
        {L"abcdefghijklmnopqrstuvwxyz", 11, L"abcd...wxyz"},
        {L"abcdefghijklmnopqrstuvwxyz", 2, L"..."},
        {L"Saved to /WWWWWWWWWW/x.json", 30, L"Saved to /...W/x.json"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.text) + " in " + std::to_string(c.width));
        EXPECT_EQ(fitLogLine(c.text, c.width, measure), c.shown);
        if (c.width >= 3) {
            EXPECT_LE(measure(fitLogLine(c.text, c.width, measure)), c.width);
        }
    }
}

namespace {

class ScreenLogTest : public testing_support::NullEngineTest {
protected:
    modules::ScreenLog& log() { return *engine.screenLog; }
    std::wstring shown(int i) { return log().lines[i]->getText(); }
    s32 widthOf(const std::wstring& text)
    {
        return static_cast<s32>(log().lines[0]->getActiveFont()->getDimension(text.c_str()).Width);
    }
};

} // namespace

TEST_F(ScreenLogTest, LongLinesFitTheLogInItsFontAndKeepTheirEnd)
{
    startEngine(5, true);
    const s32 width = modules::ScreenLayout::LOG_WIDTH;
    const struct {
        std::wstring text, start, end;
        bool wholeWords; // cut at spaces: up to a word more left out
    } cases[] = {
        // The line that lost "60)" before: too short a path, so the middle of the line goes.
        {L"Loaded population of 20 vehicles from /tmp/neat.json (generation 60)", L"Loaded population of 20 ...",
         L"/tmp/neat.json (generation 60)", true},
        {L"Loaded population of 20 vehicles from /home/somebody/experiments/2024/a.json (generation 60)",
         L"Loaded population of 20 vehicles from /", L"/a.json (generation 60)", false},
        {L"Population saved to /home/somebody/.local/share/kinetarium/population-2024-05-17-101500-generation-60.json",
         L"Population saved to ...", L"101500-generation-60.json", false},
        // A long run's report no longer loses its fitness off the end.
        {L"Generation 1234. Best vehicle fitness in last generation was 123.0", L"Generation 1234. Best vehicle",
         L"generation was 123.0", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.text));
        ASSERT_GT(widthOf(c.text), width) << "the line is wider than the log";
        log().writeLine(c.text.c_str());
        EXPECT_EQ(log().text(0), c.text);
        // Within the width, and no more left out than needed.
        EXPECT_LE(widthOf(shown(0)), width);
        if (!c.wholeWords) {
            EXPECT_GT(widthOf(shown(0)), width - widthOf(L"WW"));
        }
        EXPECT_EQ(shown(0).rfind(c.start, 0), 0u) << narrow(shown(0));
        EXPECT_EQ(shown(0).substr(shown(0).size() - c.end.size()), c.end) << narrow(shown(0));
    }
    // Scrolled down, a line shows its fitted text, not a copy of what a line above showed.
    EXPECT_EQ(log().text(3), cases[0].text);
    EXPECT_EQ(shown(3), L"Loaded population of 20 ... /tmp/neat.json (generation 60)");
}

TEST_F(ScreenLogTest, TheLogsOwnLinesAreShownAsWrittenInTheSameFiveTexts)
{
    startEngine(5, true);
    const wchar_t* own[] = {
        L"Evolution started!",
        L"Method: neat (NEAT: 1 species, mean genome size 8).",
        L"Generation 12. Best vehicle fitness in last generation was 12.0",
        L"Camera is now following the best performing vehicle.",
        L"Population saved to /tmp/p.json",
    };
    for (const wchar_t* line : own) {
        log().writeLine(line);
        EXPECT_EQ(shown(0), line);
    }
    for (int i = 0; i < modules::ScreenLog::LINE_COUNT; ++i) {
        const core::rect<s32> area = log().lines[i]->getRelativePosition();
        EXPECT_EQ(area.getWidth(), 500);
        EXPECT_EQ(area.getHeight(), 16);
        EXPECT_EQ(area.UpperLeftCorner.X, 10);
        EXPECT_EQ(area.LowerRightCorner.Y, 768 - 10 - 16 * (4 - i));
        EXPECT_FALSE(log().lines[i]->isWordWrapEnabled());
    }
    log().clear();
    for (int i = 0; i < modules::ScreenLog::LINE_COUNT; ++i)
        EXPECT_EQ(log().text(i) + shown(i), L"");
}

TEST_F(ScreenLogTest, WithoutAGuiTheWholeLineIsKeptForTheBatch)
{
    // kinetarium-batch's engine: the log in the engine's built-in font; the batch prints
    // the whole text, whatever the log shows.
    startEngine(5, false);
    const std::wstring report = L"Generation 123456. Best vehicle fitness in last generation was 12345.0 "
                                L"and a line far wider than the log, whatever its font";
    log().writeLine(report.c_str());
    EXPECT_EQ(log().text(0), report);
    EXPECT_LE(widthOf(shown(0)), modules::ScreenLayout::LOG_WIDTH);
}
