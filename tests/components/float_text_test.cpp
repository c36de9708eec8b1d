#include "float_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct FloatCase {
    double value;
    const char* text;
};

// Each value's text worked out from its 15 significant digits.
TEST(FloatToStrTest, ShortestTextOfFifteenSignificantDigits) {
    const FloatCase cases[] = {
        {374.0 / 100 * 2.54, "9.4996"},  // 9.4996000000000009 in binary
        {374.0 / 100 * 25.4, "94.996"},
        {400.0 / 100 * 2.54, "10.16"},
        {0.1 + 0.2, "0.3"},              // 0.30000000000000004
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},  // the 15th digit rounds up
        {100, "100"},
        {3.74, "3.74"},
        {-2.5, "-2.5"},
        {0, "0"},
        {9.9999999999999999, "10"},      // rounding carries into a new digit
        {123456789012345.0, "123456789012345"},
        {0.0001, "0.0001"},
        {0.00012, "0.00012"},
    };
    for (const FloatCase& c : cases) EXPECT_EQ(FloatToStr(c.value), QString::fromLatin1(c.text)) << c.text;
}

TEST(FloatToStrTest, VeryLargeAndVerySmallValuesTakeAnExponent) {
    const FloatCase cases[] = {
        {1e15, "1E15"},
        {1234567890123456.0, "1.23456789012346E15"},
        {0.00001, "1E-5"},
        {-0.000015, "-1.5E-5"},
        {1e300, "1E300"},
    };
    for (const FloatCase& c : cases) EXPECT_EQ(FloatToStr(c.value), QString::fromLatin1(c.text)) << c.text;
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("NAN"));
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::infinity()), QStringLiteral("INF"));
    EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), QStringLiteral("-INF"));
}

} // namespace
