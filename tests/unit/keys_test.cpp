#include "plot/keys.hpp"

#include <string>

#include <gtest/gtest.h>

namespace {

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(keys, swatches_sit_side_by_side_with_their_labels_under_them) {
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
