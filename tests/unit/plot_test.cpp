#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "plot/axes.hpp"
#include "plot/raster.hpp"
#include "plot/scales.hpp"
#include "plot/svg.hpp"

namespace {

std::string number(double v) {
    std::string out;
    append_number(out, v);
    return out;
}

std::string escaped(std::string_view text) {
    std::string out;
    append_escaped(out, text);
    return out;
}

TEST(plot, numbers_have_one_decimal_and_no_negative_zero) {
    EXPECT_EQ(number(12.34), "12.3");
    EXPECT_EQ(number(12.36), "12.4");
    EXPECT_EQ(number(3.0), "3");
    EXPECT_EQ(number(-0.04), "0");
    EXPECT_EQ(number(-2.5), "-2.5");
    EXPECT_EQ(number(1e6), "1000000");
    // A value that is not finite would make the picture invalid XML; it is written as 0.
    EXPECT_EQ(number(NAN), "0");
    EXPECT_EQ(number(-INFINITY), "0");
}

TEST(plot, text_is_escaped_and_stripped_of_bytes_outside_ascii) {
    EXPECT_EQ(escaped("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
    EXPECT_EQ(escaped("slide\x01\x7f\xc3\xa9.gpr"), "slide.gpr");
    EXPECT_EQ(escaped(""), "");
}

TEST(plot, colours_are_written_as_six_hex_digits) {
    EXPECT_EQ(hex({0, 15, 255}), "#000fff");
    EXPECT_EQ(hex(missing_grey), "#c8c8c8");
}

TEST(plot, diverging_colours_run_blue_white_red_and_grey_for_missing) {
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

TEST(plot, linear_scale_maps_ends_and_flips_for_a_y_axis) {
    const linear_scale y{0, 10, 100, 0};
    EXPECT_DOUBLE_EQ(y(0), 100);
    EXPECT_DOUBLE_EQ(y(10), 0);
    EXPECT_DOUBLE_EQ(y(2.5), 75);
    EXPECT_DOUBLE_EQ((linear_scale{3, 3, 7, 9})(100), 7);
}

TEST(plot, ticks_are_round_multiples_inside_the_range) {
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

TEST(plot, tick_text_drops_trailing_zeros_only_after_a_point) {
    EXPECT_EQ(tick_text(100, 0), "100");
    EXPECT_EQ(tick_text(2.50, 2), "2.5");
    EXPECT_EQ(tick_text(-1e-15, 1), "0");
}

TEST(plot, raster_runs_merge_equal_neighbours_per_row) {
    level_raster r(5, 2);
    r.at(0, 0) = r.at(1, 0) = r.at(2, 0) = 1;
    r.at(4, 0) = 1;
    r.at(3, 0) = 0;
    r.at(0, 1) = 1;
    EXPECT_EQ(raster_runs(r, 1), "M0 0.5h3m1 0h1M0 1.5h1");
    EXPECT_EQ(raster_runs(r, 0), "M3 0.5h1");
    EXPECT_EQ(raster_runs(r, 2), "");
}

TEST(plot, raster_draws_one_path_per_level_present) {
    level_raster r(2, 1);
    r.at(0, 0) = 0;
    r.at(1, 0) = 2;
    std::string out;
    svg_writer svg(out, 10, 5, "r");
    draw_raster(svg, r, 1, 2, 2.5, 3, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
    svg.finish();
    EXPECT_NE(out.find("<g transform=\"translate(1 2) scale(2.5 3)\">"), std::string::npos);
    EXPECT_NE(out.find("stroke=\"#010101\" stroke-width=\"1\" d=\"M0 0.5h1\""), std::string::npos);
    EXPECT_EQ(out.find("#020202"), std::string::npos);
    EXPECT_NE(out.find("stroke=\"#030303\" stroke-width=\"1\" d=\"M1 0.5h1\""), std::string::npos);
}

TEST(plot, writer_opens_and_closes_the_picture_with_escaped_text) {
    std::string out;
    svg_writer svg(out, 200, 100.5, "a & b");
    svg.text(10, 20, "x<y", anchor::end, 9, -90);
    svg.finish();
    EXPECT_EQ(out,
              "<svg role=\"img\" width=\"200\" height=\"100.5\" viewBox=\"0 0 200 100.5\" aria-label=\"a &amp; "
              "b\">\n<text x=\"10\" y=\"20\" font-size=\"9\" text-anchor=\"end\" transform=\"rotate(-90 10 "
              "20)\">x&lt;y</text>\n</svg>\n");
}

}  // namespace
