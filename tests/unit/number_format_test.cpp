// GUI::numberToString: six decimals from "%0.6f", then trailing zeros removed while one
// decimal digit remains.

#include "gui/GUI.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using modules::GUI;

namespace {

std::wstring format(float value)
{
    return std::wstring(GUI::numberToString(value).c_str());
}

TEST(NumberToString, KeepsOneDecimalForWholeNumbers)
{
    EXPECT_EQ(format(20.0f), L"20.0");
    EXPECT_EQ(format(10.0f), L"10.0");
    EXPECT_EQ(format(1.0f), L"1.0");
    EXPECT_EQ(format(3.0f), L"3.0");
    EXPECT_EQ(format(0.0f), L"0.0");
    EXPECT_EQ(format(100000.0f), L"100000.0");
    EXPECT_EQ(format(-3.0f), L"-3.0");
}

TEST(NumberToString, DropsOnlyTrailingZeros)
{
    EXPECT_EQ(format(0.8f), L"0.8");
    EXPECT_EQ(format(0.05f), L"0.05");
    EXPECT_EQ(format(0.25f), L"0.25");
    EXPECT_EQ(format(-2.5f), L"-2.5");
    EXPECT_EQ(format(100.5f), L"100.5");   // zeros before the point stay
    EXPECT_EQ(format(1000.0f), L"1000.0");
    EXPECT_EQ(format(0.0625f), L"0.0625"); // a zero between digits stays
}

TEST(NumberToString, RoundsToSixDecimalsOfTheWidenedFloat)
{
    EXPECT_EQ(format(0.1234567f), L"0.123457");
    // 123.456f is 123.45600128...: the float's own digits, not the shortest form.
    EXPECT_EQ(format(123.456f), L"123.456001");
    EXPECT_EQ(format(1.0e10f), L"10000000000.0");
}

TEST(NumberToString, TinyValuesKeepTheirSign)
{
    EXPECT_EQ(format(0.0000001f), L"0.0");
    EXPECT_EQ(format(-0.0000001f), L"-0.0");
    EXPECT_EQ(format(-0.0f), L"-0.0");
    // The float nearest 5e-7 lies just below it; the one nearest 6e-7 rounds up.
    EXPECT_EQ(format(0.0000005f), L"0.0");
    EXPECT_EQ(format(0.0000006f), L"0.000001");
}

TEST(NumberToString, NonFiniteValuesComeBackAsPrintedWithoutAPoint)
{
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(format(inf), L"inf");
    EXPECT_EQ(format(-inf), L"-inf");
    const std::wstring nan = format(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(nan == L"nan" || nan == L"-nan") << std::string(nan.begin(), nan.end());
    EXPECT_EQ(nan.find(L'.'), std::wstring::npos);
}

} // namespace
