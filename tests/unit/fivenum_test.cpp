#include "numeric/fivenum.hpp"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<double> five(std::vector<double> v) {
    const five_numbers f = fivenum(v.data(), static_cast<int>(v.size()));
    return {f.minimum, f.lower_hinge, f.median, f.upper_hinge, f.maximum};
}

}  // namespace

// Hinges at depth (floor((n + 1) / 2) + 1) / 2 from either end.
TEST(fivenum, one_to_five_values_and_larger_odd_and_even) {
    EXPECT_EQ(five({7}), (std::vector<double>{7, 7, 7, 7, 7}));
    EXPECT_EQ(five({4, 2}), (std::vector<double>{2, 2, 3, 4, 4}));
    EXPECT_EQ(five({3, 1, 2}), (std::vector<double>{1, 1.5, 2, 2.5, 3}));
    EXPECT_EQ(five({4, 3, 2, 1}), (std::vector<double>{1, 1.5, 2.5, 3.5, 4}));
    EXPECT_EQ(five({5, 1, 4, 2, 3}), (std::vector<double>{1, 2, 3, 4, 5}));
    EXPECT_EQ(five({1, 2, 3, 4, 5, 6}), (std::vector<double>{1, 2, 3.5, 5, 6}));
    EXPECT_EQ(five({1, 2, 3, 4, 5, 6, 7}), (std::vector<double>{1, 2.5, 4, 5.5, 7}));
    EXPECT_EQ(five({1, 2, 3, 4, 5, 6, 7, 8}), (std::vector<double>{1, 2.5, 4.5, 6.5, 8}));
    EXPECT_EQ(five({1, 2, 3, 4, 5, 6, 7, 8, 9}), (std::vector<double>{1, 3, 5, 7, 9}));
    EXPECT_EQ(five({0, 0, 1, 1, 1, 10}), (std::vector<double>{0, 0, 1, 1, 10}));
}

TEST(fivenum, missing_values_infinities_and_zeros) {
    EXPECT_EQ(five({NAN, 3, NAN, 1}), (std::vector<double>{1, 1, 2, 3, 3}));
    for (double x : five({NAN})) EXPECT_TRUE(std::isnan(x));
    for (double x : five({})) EXPECT_TRUE(std::isnan(x));
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(five({1, -inf, inf}), (std::vector<double>{-inf, -inf, 1, inf, inf}));
    // A zero's sign does not depend on the order the values come in.
    EXPECT_TRUE(std::signbit(five({0.0, -0.0})[0]));
    EXPECT_TRUE(std::signbit(five({-0.0, 0.0})[0]));
    EXPECT_FALSE(std::signbit(five({-0.0, 0.0})[4]));
    // Whole depths give the value itself, also where adding it twice would overflow.
    const double big = 1.5e308;
    EXPECT_EQ(five({big, big, big, big, big}), (std::vector<double>{big, big, big, big, big}));
}

TEST(fivenum, outliers_lie_strictly_above_the_upper_fence) {
    const double v[] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(upper_fence(v, 6), 9.5);  // 5 + 1.5 (5 - 2)

    const double w[] = {4, 100, 2, NAN, 3, 1};  // hinges 2 and 4: fence 7
    bool outlier[6];
    EXPECT_EQ(mark_outliers(w, 6, outlier), 1);
    EXPECT_EQ(std::vector<bool>(outlier, outlier + 6), (std::vector<bool>{false, true, false, false, false, false}));

    const double at_fence[] = {1, 2, 3, 4, 7};  // hinges 2 and 4: fence 7, not above it
    EXPECT_EQ(mark_outliers(at_fence, 5, outlier), 0);

    // All equal: the fence is the value, nothing lies above it.
    const double flat[] = {0.25, 0.25, 0.25};
    EXPECT_EQ(mark_outliers(flat, 3, outlier), 0);
    const double missing[] = {NAN, NAN};
    EXPECT_EQ(mark_outliers(missing, 2, outlier), 0);
}
