// A small SVG writer: shapes, text and groups appended to a string, with
// coordinates written in one fixed, locale-free notation so the same picture
// gives the same bytes on every platform. Knows nothing of what is drawn.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

struct colour {
    unsigned char r = 0, g = 0, b = 0;
};

// "#rrggbb".
std::string hex(colour c);

// A coordinate with at most one decimal, trailing ".0" dropped and no "-0":
// 12.34 gives "12.3", -0.04 gives "0", 3.0 gives "3".
void append_number(std::string& out, double value);

// Text with &, <, >, " and ' written as entities and every other character
// outside ASCII as a numeric reference ("½" as "&#189;"), so the page is ASCII
// whatever the names hold; control characters and bytes that are not UTF-8
// (a Latin-1 name) are dropped, so a page never carries a broken sequence.
void append_escaped(std::string& out, std::string_view text);

enum class anchor { start, middle, end };

// A rectangle of the plot area in page units.
struct frame {
    double x = 0, y = 0, width = 0, height = 0;
};

class svg_writer {
public:
    // Opens <svg> of the given size; `label` is its accessible name.
    svg_writer(std::string& out, double width, double height, std::string_view label);
    // Closes </svg>; called once.
    void finish();

    void rect(double x, double y, double width, double height, colour fill);
    // A rectangle with an outline and no fill.
    void outline(double x, double y, double width, double height, colour stroke);
    void line(double x1, double y1, double x2, double y2, colour stroke, double stroke_width = 1.0);
    void circle(double cx, double cy, double r, colour fill);
    // `size` in page units; `angle` turns the text about (x, y).
    void text(double x, double y, std::string_view text, anchor a = anchor::start, double size = 11.0,
              double angle = 0.0);
    // <g font-size=".." text-anchor=".."> for many labels of one style; closed by close_group.
    void open_text_group(double size, anchor a);
    // A text with only its position (and a fill when not null), styled by the enclosing group.
    void label(double x, double y, std::string_view text, const char* fill = nullptr);
    // A path of horizontal strokes given in `d`, drawn `stroke_width` thick.
    void stroke_path(std::string_view d, colour stroke, double stroke_width);
    // A polyline through (x[i], y[i]), not filled.
    void polyline(const std::vector<double>& x, const std::vector<double>& y, colour stroke, double stroke_width);
    // <g fill=".." fill-opacity=".."> for many dots or tiles of one colour; closed by close_group.
    void open_fill_group(colour fill, double opacity = 1.0);
    // A circle styled by the enclosing group.
    void dot(double cx, double cy, double r);
    // Rectangles styled by the enclosing group, drawn as one shape with
    // `tooltip` as its title (a cell and its mirror image share one).
    void tiles(std::initializer_list<frame> cells, std::string_view tooltip);
    // <g transform="translate(x,y) scale(sx,sy)"> ... </g>
    void open_group(double x, double y, double sx = 1.0, double sy = 1.0);
    void close_group();
    // A tooltip for the element opened last by open_group.
    void title(std::string_view text);

    std::string& out() { return out_; }

private:
    void attribute(const char* name, double value);
    std::string& out_;
};
