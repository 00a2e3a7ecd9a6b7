#include "plot/svg.hpp"

#include <cmath>

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

void append_escaped(std::string& out, std::string_view text) {
    for (char ch : text) {
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
            default:
                if (ch >= 32 && ch <= 126) out.push_back(ch);
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
