#include "plot/axes.hpp"

#include <string>

#include <gtest/gtest.h>

namespace {

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(axes, tick_text_drops_trailing_zeros_only_after_a_point) {
    EXPECT_EQ(tick_text(100, 0), "100");
    EXPECT_EQ(tick_text(2.50, 2), "2.5");
    EXPECT_EQ(tick_text(-1e-15, 1), "0");
}

TEST(axes, ticks_sit_where_the_scales_put_their_values) {
    std::string out;
    svg_writer svg(out, 300, 200, "axes");
    const frame area{50, 10, 200, 100};
    draw_axes(svg, area, linear_scale{0, 10, 50, 250}, linear_scale{-1, 1, 110, 10}, "x title", "y title", 5);
    // x: 0, 2, ..., 10 every 40 units; y: -1 to 1 by 0.5, every 25 units from the bottom.
    EXPECT_NE(out.find("<line x1=\"130\" y1=\"110\" x2=\"130\" y2=\"114\""), std::string::npos);
    EXPECT_NE(out.find("<text x=\"130\" y=\"124\" font-size=\"9\" text-anchor=\"middle\">4</text>"), std::string::npos);
    EXPECT_NE(out.find("<text x=\"44\" y=\"63\" font-size=\"9\" text-anchor=\"end\">0</text>"), std::string::npos);
    EXPECT_NE(out.find(">-0.5</text>"), std::string::npos);
    EXPECT_EQ(count_of(out, "text-anchor=\"middle\">"), 6 + 1);  // six x ticks and the x title
    EXPECT_NE(out.find(">x title</text>"), std::string::npos);
    EXPECT_NE(out.find("transform=\"rotate(-90 20 60)\">y title</text>"), std::string::npos);
}

TEST(axes, a_scale_without_extent_has_no_ticks) {
    std::string out;
    svg_writer svg(out, 300, 200, "axes");
    draw_axes(svg, frame{50, 10, 200, 100}, linear_scale{0, 0, 50, 50}, linear_scale{0, 4, 110, 10}, "", "n", 4);
    EXPECT_EQ(count_of(out, "<line"), 5);  // y ticks 0 to 4 only
}

TEST(axes, key_swatches_sit_side_by_side_with_their_labels_under_them) {
    std::string out;
    svg_writer svg(out, 200, 50, "key");
    const double end = swatch_key(svg, 10, 20, 8, 6, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}, {"lo", "", "hi"}, "r");
    svg.finish();
    EXPECT_DOUBLE_EQ(end, 34);
    EXPECT_NE(out.find("<rect x=\"10\" y=\"20\" width=\"8\" height=\"6\" fill=\"#010101\"/>"), std::string::npos);
    EXPECT_NE(out.find("<rect x=\"26\" y=\"20\" width=\"8\" height=\"6\" fill=\"#030303\"/>"), std::string::npos);
    EXPECT_NE(out.find("<rect x=\"10\" y=\"20\" width=\"24\" height=\"6\" fill=\"none\""), std::string::npos);
    EXPECT_NE(out.find("<text x=\"14\" y=\"36\" font-size=\"9\" text-anchor=\"middle\">lo</text>"), std::string::npos);
    EXPECT_NE(out.find("<text x=\"30\" y=\"36\" font-size=\"9\" text-anchor=\"middle\">hi</text>"), std::string::npos);
    EXPECT_EQ(count_of(out, "</text>"), 3);  // two labels and the title; no empty label
    EXPECT_NE(out.find("<text x=\"10\" y=\"16\" font-size=\"10\">r</text>"), std::string::npos);
}

}  // namespace
