#pragma once

// Comparisons of engine vectors. The engine's own operator== allows a tolerance, so the exact
// comparison is spelled out here.

#include <irrlicht.h>

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

namespace irr::core {

inline void PrintTo(const vector3df& v, std::ostream* os)
{
    const std::streamsize precision = os->precision(9);
    *os << "(" << v.X << ", " << v.Y << ", " << v.Z << ")";
    os->precision(precision);
}

} // namespace irr::core

namespace testing_support {

inline testing::AssertionResult vectorsEqual(const char* actualText, const char* expectedText,
                                             const irr::core::vector3df& actual,
                                             const irr::core::vector3df& expected)
{
    if (actual.X == expected.X && actual.Y == expected.Y && actual.Z == expected.Z)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << actualText << " is " << testing::PrintToString(actual) << ", "
                                       << expectedText << " is " << testing::PrintToString(expected);
}

inline testing::AssertionResult vectorsNear(const char* actualText, const char* expectedText, const char*,
                                            const irr::core::vector3df& actual,
                                            const irr::core::vector3df& expected, float tolerance)
{
    if (std::fabs(actual.X - expected.X) <= tolerance && std::fabs(actual.Y - expected.Y) <= tolerance
        && std::fabs(actual.Z - expected.Z) <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << actualText << " is " << testing::PrintToString(actual) << ", "
                                       << expectedText << " is " << testing::PrintToString(expected)
                                       << ", beyond " << tolerance;
}

inline bool isFinite(const irr::core::vector3df& v)
{
    return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z);
}

} // namespace testing_support

#define EXPECT_VEC_EQ(actual, expected) EXPECT_PRED_FORMAT2(testing_support::vectorsEqual, actual, expected)
#define EXPECT_VEC_NEAR(actual, expected, tolerance) \
    EXPECT_PRED_FORMAT3(testing_support::vectorsNear, actual, expected, tolerance)
