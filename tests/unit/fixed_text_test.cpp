#include "numeric/fixed_text.hpp"

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {
std::string fixed(double v, int decimals, int width) {
    char text[fixed_text_room];
    return std::string(text, format_fixed(text, v, decimals, width));
}
std::string printf_fixed(double v, int decimals, int width) {
    char text[fixed_text_room + 10];
    std::snprintf(text, sizeof text, "%*.*f", width, decimals, v);
    return text;
}
}  // namespace

TEST(fixed_text, report_formats) {
    EXPECT_EQ(fixed(1.23456, 3, 4), "1.235");
    EXPECT_EQ(fixed(-0.5, 3, 4), "-0.500");
    EXPECT_EQ(fixed(0.0, 3, 4), "0.000");
    EXPECT_EQ(fixed(0.5, 6, 0), "0.500000");
    EXPECT_EQ(fixed(19676.8975, 3, 4), "19676.897");  // the double below .8975 rounds down
    char text[fixed_text_room];
    EXPECT_EQ(std::string(text, format_int(text, 1, 3)), "  1");
    EXPECT_EQ(std::string(text, format_int(text, 1000, 3)), "1000");
    EXPECT_EQ(std::string(text, format_int(text, -7, 0)), "-7");
}

TEST(fixed_text, not_a_number_and_infinity_print_the_same_everywhere) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(fixed(nan, 3, 4), " nan");
    EXPECT_EQ(fixed(-nan, 3, 4), " nan");
    EXPECT_EQ(fixed(inf, 3, 4), " inf");
    EXPECT_EQ(fixed(-inf, 3, 4), "-inf");
    EXPECT_EQ(fixed(nan, 6, 0), "nan");
}

TEST(fixed_text, rounds_exactly_as_printf) {
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-12, 40);
    for (int i = 0; i < 100000; ++i) {
        const double v = std::ldexp(mantissa(random), exponent(random));
        ASSERT_EQ(fixed(v, 3, 4), printf_fixed(v, 3, 4)) << v;
        ASSERT_EQ(fixed(v, 6, 0), printf_fixed(v, 6, 0)) << v;
    }
    // Halfway cases and the largest values.
    for (double v : {0.0005, 0.0015, 2.5e-7, 1.0005, -0.0005, 1e300, -std::numeric_limits<double>::max()}) {
        EXPECT_EQ(fixed(v, 3, 4), printf_fixed(v, 3, 4)) << v;
        EXPECT_EQ(fixed(v, 6, 0), printf_fixed(v, 6, 0)) << v;
    }
}

TEST(fixed_text, exact_ties_round_half_to_even_as_printf) {
    // k / 2^j has an exact decimal expansion, so many of these are exact
    // halfway cases for 3 or 6 decimals.
    for (int j = 1; j <= 12; ++j)
        for (int k = -5000; k <= 5000; ++k) {
            const double v = std::ldexp(static_cast<double>(k), -j);
            ASSERT_EQ(fixed(v, 3, 4), printf_fixed(v, 3, 4)) << v;
            ASSERT_EQ(fixed(v, 6, 0), printf_fixed(v, 6, 0)) << v;
        }
    for (double v : {4503599627370495.5, 9007199254740991.0, 9007199254740992.0, 5e-324, -5e-324,
                     2.2250738585072014e-308, 0.0005, 0.0015, 0.0025, 1e-7, 0.9995, 0.9994999999999999, -0.0})
        EXPECT_EQ(fixed(v, 3, 4), printf_fixed(v, 3, 4)) << v;
}

TEST(fixed_text, general_notation_is_printfs_six_significant_digits) {
    std::mt19937_64 random(31);
    std::vector<double> values = {0.0,       1.0,         0.05,     1e-10, 1.5e-10,   0.000123456789, 123456.5,
                                  1234567.0, 0.999999951, 2.5e-300, 1e300, 0.1 + 0.2, 4.9e-324};
    for (int i = 0; i < 20000; ++i)
        values.push_back(std::ldexp(std::uniform_real_distribution<double>(0.5, 1.0)(random),
                                    std::uniform_int_distribution<int>(-1000, 1000)(random)));
    for (double v : values) {
        char mine[fixed_text_room];
        char theirs[64];
        std::snprintf(theirs, sizeof theirs, "%.6g", v);
        EXPECT_EQ(std::string(mine, format_general(mine, v, 6)), theirs) << v;
    }
    char text[fixed_text_room];
    EXPECT_EQ(std::string(text, format_general(text, NAN, 6)), "nan");
}
