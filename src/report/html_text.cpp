// The small helpers the parts of the page share.
#include <algorithm>
#include <cmath>

#include "numeric/fixed_text.hpp"
#include "report/html_page.hpp"

std::string fixed(double value, int decimals) {
    char text[fixed_text_room];
    return std::string(text, format_fixed(text, value, decimals, 0));
}

std::string integer(long long value) {
    char text[fixed_text_room];
    return std::string(text, format_int(text, value, 0));
}

std::string short_fixed(double value) {
    std::string text = fixed(value, 6);
    if (text.find('.') == std::string::npos) return text;
    while (text.size() > 2 && text.back() == '0' && text[text.size() - 2] != '.') text.pop_back();
    return text;
}

std::string escaped(std::string_view text) {
    std::string out;
    append_escaped(out, text);
    return out;
}

std::string numbered_label(const run_settings& s, int f) { return integer(f) + ". " + s.file_label(f); }

std::string listed(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

void caption(std::string& page, std::string_view text) {
    page += "<figcaption>";
    append_escaped(page, text);
    page += "</figcaption>\n";
}

page_channels channels_of(const spot_tables& t) {
    page_channels c{true, "635", "532"};
    for (int f = 1; f <= t.file_count; ++f) {
        const file_header& h = t.headers[static_cast<std::size_t>(f)];
        if (f == 1) {
            c.red = h.red_wavelength;
            c.green = h.green_wavelength;
        } else if (h.red_wavelength != c.red || h.green_wavelength != c.green) {
            c.uniform = false;
        }
    }
    return c;
}

std::string channel_names(const spot_tables& t, int f) {
    const file_header& h = t.headers[static_cast<std::size_t>(f)];
    return "R = F" + h.red_wavelength + ", G = F" + h.green_wavelength;
}

std::vector<colour> palette_of(colour (*scale)(double), int levels, double from) {
    std::vector<colour> palette;
    for (int k = 0; k < levels; ++k)
        palette.push_back(scale(levels > 1 ? from + (1.0 - from) * k / (levels - 1) : 1.0));
    return palette;
}

void file_labels(svg_writer& svg, int files, double x0, double slot, double y) {
    const int every = slot >= 14 ? 1 : static_cast<int>(std::ceil(14.0 / slot));
    for (int f = 1; f <= files; ++f)
        if ((f - 1) % every == 0) svg.text(x0 + (f - 0.5) * slot, y, integer(f), anchor::middle, 9);
}

double slot_width(int files) {
    const double n = std::max(files, 1);
    return std::max(std::clamp(std::floor(1200.0 / n), 8.0, 60.0), std::floor(360.0 / n));
}
