#include "plot/scales.hpp"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "plot/axes.hpp"

namespace {

TEST(scales, diverging_colours_run_blue_white_red_and_grey_for_missing) {
    const colour lo = diverging_colour(-1), mid = diverging_colour(0), hi = diverging_colour(1);
    EXPECT_GT(lo.b, lo.r);
    EXPECT_GT(hi.r, hi.b);
    EXPECT_EQ(mid.r, mid.b);
    EXPECT_EQ(hex(diverging_colour(-5)), hex(lo));  // clamped
    EXPECT_EQ(hex(diverging_colour(NAN)), hex(missing_grey));
    // Darker with t: the sequential scales are monotone in every channel.
    EXPECT_GT(sequential_colour(0).r, sequential_colour(1).r);
    EXPECT_GT(warm_colour(0).g, warm_colour(1).g);
}

TEST(scales, linear_scale_maps_ends_and_flips_for_a_y_axis) {
    const linear_scale y{0, 10, 100, 0};
    EXPECT_DOUBLE_EQ(y(0), 100);
    EXPECT_DOUBLE_EQ(y(10), 0);
    EXPECT_DOUBLE_EQ(y(2.5), 75);
    EXPECT_DOUBLE_EQ((linear_scale{3, 3, 7, 9})(100), 7);
}

TEST(scales, ticks_are_round_multiples_inside_the_range) {
    EXPECT_EQ(nice_ticks(0, 10, 5), (std::vector<double>{0, 2, 4, 6, 8, 10}));
    EXPECT_EQ(nice_ticks(-4, 4, 4), (std::vector<double>{-4, -2, 0, 2, 4}));
    const std::vector<double> small = nice_ticks(0.1, 0.35, 5);
    ASSERT_EQ(small.size(), 6u);  // 0.1 to 0.35 by 0.05, written without binary noise
    EXPECT_EQ(tick_text(small[1], 2), "0.15");
    EXPECT_EQ(tick_text(small[4], 2), "0.3");
    EXPECT_EQ(tick_text(small[5], 2), "0.35");
    EXPECT_TRUE(nice_ticks(1, 0, 5).empty());
    EXPECT_TRUE(nice_ticks(0, INFINITY, 5).empty());
    EXPECT_EQ(nice_ticks(2, 2, 5), std::vector<double>{2});
}

}  // namespace
