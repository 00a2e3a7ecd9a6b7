#include "plot/axes.hpp"

#include <algorithm>
#include <cmath>

#include "numeric/fixed_text.hpp"

std::string tick_text(double value, int decimals) {
    if (std::fabs(value) < 1e-12) value = 0.0;
    char text[fixed_text_room];
    std::size_t n = format_fixed(text, value, decimals, 0);
    if (decimals > 0) {
        while (n > 0 && text[n - 1] == '0') --n;
        if (n > 0 && text[n - 1] == '.') --n;
    }
    return std::string(text, n);
}

namespace {

// Enough decimals to tell ticks `step` apart.
int decimals_for(const std::vector<double>& ticks) {
    if (ticks.size() < 2) return 2;
    const double step = ticks[1] - ticks[0];
    return std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 0, 6);
}

}  // namespace

void draw_axes(svg_writer& svg, const frame& area, const linear_scale& x, const linear_scale& y,
               std::string_view x_title, std::string_view y_title, int ticks) {
    const colour ink{60, 60, 60};
    const double bottom = area.y + area.height;
    svg.outline(area.x, area.y, area.width, area.height, ink);
    // A scale without extent (d0 == d1) has no ticks: the caller labels that axis itself.
    std::vector<double> xt;
    if (x.d0 != x.d1) xt = nice_ticks(std::min(x.d0, x.d1), std::max(x.d0, x.d1), ticks);
    const int xd = decimals_for(xt);
    for (double v : xt) {
        const double px = x(v);
        svg.line(px, bottom, px, bottom + 4, ink);
        svg.text(px, bottom + 14, tick_text(v, xd), anchor::middle, 9);
    }
    std::vector<double> yt;
    if (y.d0 != y.d1) yt = nice_ticks(std::min(y.d0, y.d1), std::max(y.d0, y.d1), ticks);
    const int yd = decimals_for(yt);
    for (double v : yt) {
        const double py = y(v);
        svg.line(area.x - 4, py, area.x, py, ink);
        svg.text(area.x - 6, py + 3, tick_text(v, yd), anchor::end, 9);
    }
    svg.text(area.x + area.width / 2, bottom + 27, x_title, anchor::middle, 10);
    svg.text(area.x - 30, area.y + area.height / 2, y_title, anchor::middle, 10, -90);
}

double swatch_key(svg_writer& svg, double x, double y, double width, double height, const std::vector<colour>& colours,
                  const std::vector<std::string>& labels, const std::string& title) {
    if (!title.empty()) svg.text(x, y - 4, title, anchor::start, 10);
    for (std::size_t k = 0; k < colours.size(); ++k)
        svg.rect(x + width * static_cast<double>(k), y, width, height, colours[k]);
    svg.outline(x, y, width * static_cast<double>(colours.size()), height, colour{150, 150, 150});
    for (std::size_t k = 0; k < labels.size() && k < colours.size(); ++k)
        if (!labels[k].empty())
            svg.text(x + width * (static_cast<double>(k) + 0.5), y + height + 10, labels[k], anchor::middle, 9);
    return x + width * static_cast<double>(colours.size());
}
