#include "plot/svg.hpp"

#include <cmath>
#include <string>

#include "numeric/fixed_text.hpp"

std::string hex(colour c) {
    static const char digits[] = "0123456789abcdef";
    std::string text = "#";
    for (unsigned char v : {c.r, c.g, c.b}) {
        text.push_back(digits[v >> 4]);
        text.push_back(digits[v & 15]);
    }
    return text;
}

void append_number(std::string& out, double value) {
    if (!std::isfinite(value)) value = 0.0;  // never reached by a sound picture; keeps the XML valid
    if (std::fabs(value) < 0.05) value = 0.0;
    char text[fixed_text_room];
    std::size_t n = format_fixed(text, value, 1, 0);
    if (n >= 2 && text[n - 1] == '0' && text[n - 2] == '.') n -= 2;
    out.append(text, n);
}

namespace {

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The code point of the well-formed UTF-8 sequence at text[at] and its length
// in bytes; length 0 when the bytes there are not one (overlong forms and
// surrogates included).
std::size_t utf8_sequence(std::string_view text, std::size_t at, unsigned long& code) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    const unsigned char second = static_cast<unsigned char>(text[at + 1]);
    if (second < low || second > high) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char c = static_cast<unsigned char>(text[at + k]);
        if (!continuation(c)) return 0;
        code = (code << 6) | (c & 0x3F);
    }
    return length;
}

}  // namespace

void append_escaped(std::string& out, std::string_view text) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char ch = text[at];
        switch (ch) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default: {
                const unsigned char byte = static_cast<unsigned char>(ch);
                if (byte >= 32 && byte <= 126) {
                    out.push_back(ch);
                    break;
                }
                unsigned long code = 0;
                const std::size_t length = byte >= 0x80 ? utf8_sequence(text, at, code) : 0;
                if (length == 0) break;  // a control character, or a byte that is not UTF-8
                at += length - 1;
                if (code >= 0xA0) out += "&#" + std::to_string(code) + ';';  // C1 controls dropped
            }
        }
    }
}

svg_writer::svg_writer(std::string& out, double width, double height, std::string_view label) : out_(out) {
    out_ += "<svg role=\"img\"";
    attribute("width", width);
    attribute("height", height);
    out_ += " viewBox=\"0 0 ";
    append_number(out_, width);
    out_ += ' ';
    append_number(out_, height);
    out_ += "\" aria-label=\"";
    append_escaped(out_, label);
    out_ += "\">\n";
}

void svg_writer::finish() { out_ += "</svg>\n"; }

void svg_writer::attribute(const char* name, double value) {
    out_ += ' ';
    out_ += name;
    out_ += "=\"";
    append_number(out_, value);
    out_ += '"';
}

void svg_writer::rect(double x, double y, double width, double height, colour fill) {
    out_ += "<rect";
    attribute("x", x);
    attribute("y", y);
    attribute("width", width);
    attribute("height", height);
    out_ += " fill=\"" + hex(fill) + "\"/>\n";
}

void svg_writer::outline(double x, double y, double width, double height, colour stroke) {
    out_ += "<rect";
    attribute("x", x);
    attribute("y", y);
    attribute("width", width);
    attribute("height", height);
    out_ += " fill=\"none\" stroke=\"" + hex(stroke) + "\"/>\n";
}

void svg_writer::line(double x1, double y1, double x2, double y2, colour stroke, double stroke_width) {
    out_ += "<line";
    attribute("x1", x1);
    attribute("y1", y1);
    attribute("x2", x2);
    attribute("y2", y2);
    out_ += " stroke=\"" + hex(stroke) + "\"";
    if (stroke_width != 1.0) attribute("stroke-width", stroke_width);
    out_ += "/>\n";
}

void svg_writer::circle(double cx, double cy, double r, colour fill) {
    out_ += "<circle";
    attribute("cx", cx);
    attribute("cy", cy);
    attribute("r", r);
    out_ += " fill=\"" + hex(fill) + "\"/>\n";
}

void svg_writer::text(double x, double y, std::string_view text, anchor a, double size, double angle) {
    out_ += "<text";
    attribute("x", x);
    attribute("y", y);
    attribute("font-size", size);
    if (a == anchor::middle) out_ += " text-anchor=\"middle\"";
    if (a == anchor::end) out_ += " text-anchor=\"end\"";
    if (angle != 0.0) {
        out_ += " transform=\"rotate(";
        append_number(out_, angle);
        out_ += ' ';
        append_number(out_, x);
        out_ += ' ';
        append_number(out_, y);
        out_ += ")\"";
    }
    out_ += '>';
    append_escaped(out_, text);
    out_ += "</text>\n";
}

void svg_writer::open_text_group(double size, anchor a) {
    out_ += "<g";
    attribute("font-size", size);
    if (a == anchor::middle) out_ += " text-anchor=\"middle\"";
    if (a == anchor::end) out_ += " text-anchor=\"end\"";
    out_ += ">\n";
}

void svg_writer::label(double x, double y, std::string_view text, const char* fill) {
    out_ += "<text";
    attribute("x", x);
    attribute("y", y);
    if (fill != nullptr) {
        out_ += " fill=\"";
        out_ += fill;
        out_ += '"';
    }
    out_ += '>';
    append_escaped(out_, text);
    out_ += "</text>\n";
}

void svg_writer::stroke_path(std::string_view d, colour stroke, double stroke_width) {
    out_ += "<path fill=\"none\" stroke=\"" + hex(stroke) + "\"";
    attribute("stroke-width", stroke_width);
    out_ += " d=\"";
    out_ += d;
    out_ += "\"/>\n";
}

void svg_writer::polyline(const std::vector<double>& x, const std::vector<double>& y, colour stroke,
                          double stroke_width) {
    out_ += "<polyline fill=\"none\" stroke=\"" + hex(stroke) + "\"";
    attribute("stroke-width", stroke_width);
    out_ += " points=\"";
    for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) {
        if (i > 0) out_ += ' ';
        append_number(out_, x[i]);
        out_ += ',';
        append_number(out_, y[i]);
    }
    out_ += "\"/>\n";
}

void svg_writer::open_fill_group(colour fill, double opacity) {
    out_ += "<g fill=\"" + hex(fill) + "\"";
    if (opacity != 1.0) attribute("fill-opacity", opacity);
    out_ += ">\n";
}

void svg_writer::dot(double cx, double cy, double r) {
    out_ += "<circle";
    attribute("cx", cx);
    attribute("cy", cy);
    attribute("r", r);
    out_ += "/>\n";
}

void svg_writer::tiles(std::initializer_list<frame> cells, std::string_view tooltip) {
    // A path is shorter than a rect's four attributes; heat maps hold thousands.
    out_ += "<path d=\"";
    for (const frame& c : cells) {
        out_ += 'M';
        append_number(out_, c.x);
        out_ += ' ';
        append_number(out_, c.y);
        out_ += 'h';
        append_number(out_, c.width);
        out_ += 'v';
        append_number(out_, c.height);
        out_ += "h-";
        append_number(out_, c.width);
        out_ += 'z';
    }
    out_ += "\"><title>";
    append_escaped(out_, tooltip);
    out_ += "</title></path>\n";
}

void svg_writer::open_group(double x, double y, double sx, double sy) {
    out_ += "<g transform=\"translate(";
    append_number(out_, x);
    out_ += ' ';
    append_number(out_, y);
    out_ += ')';
    if (sx != 1.0 || sy != 1.0) {
        out_ += " scale(";
        append_number(out_, sx);
        out_ += ' ';
        append_number(out_, sy);
        out_ += ')';
    }
    out_ += "\">\n";
}

void svg_writer::close_group() { out_ += "</g>\n"; }

void svg_writer::title(std::string_view text) {
    out_ += "<title>";
    append_escaped(out_, text);
    out_ += "</title>\n";
}
