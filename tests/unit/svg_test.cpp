#include "plot/svg.hpp"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

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

TEST(svg, numbers_have_one_decimal_and_no_negative_zero) {
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

TEST(svg, text_is_escaped_and_kept_ascii) {
    EXPECT_EQ(escaped("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
    EXPECT_EQ(escaped(""), "");
    // Characters beyond ASCII become numeric references: two, three and four bytes.
    EXPECT_EQ(escaped("A = \xc2\xbd log2(R\xc2\xb7G)"), "A = &#189; log2(R&#183;G)");
    EXPECT_EQ(escaped("slide\xc3\xa9.gpr"), "slide&#233;.gpr");
    EXPECT_EQ(escaped("\xe2\x88\x92"
                      "1"),
              "&#8722;1");
    EXPECT_EQ(escaped("\xf0\x9f\x99\x82"), "&#128578;");
    // Controls, C1 controls and bytes that are not UTF-8 are dropped, the text after them kept.
    EXPECT_EQ(escaped("slide\x01\x7f\xc2\x85.gpr"), "slide.gpr");
    EXPECT_EQ(escaped("Latin-1 \xe9t\xe9"), "Latin-1 t");            // lone lead bytes
    EXPECT_EQ(escaped("cut \xc3"), "cut ");                          // a sequence cut by the end
    EXPECT_EQ(escaped("\xc0\xaf|\xe0\x80\xaf|\xed\xa0\x80"), "||");  // overlong forms, a surrogate
    EXPECT_EQ(escaped("\xf4\x90\x80\x80|\xbf"), "|");                // beyond U+10FFFF, a stray continuation
}

TEST(svg, colours_are_written_as_six_hex_digits) {
    EXPECT_EQ(hex({0, 15, 255}), "#000fff");
    EXPECT_EQ(hex({200, 200, 200}), "#c8c8c8");
}

TEST(svg, writer_opens_and_closes_the_picture_with_escaped_text) {
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
