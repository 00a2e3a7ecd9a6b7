// The slides as printed, each file's picture framed and named, and the box
// plots of M side by side.
#include <algorithm>
#include <cmath>

#include "plot/axes.hpp"
#include "plot/raster.hpp"
#include "plot/scales.hpp"
#include "report/html_page.hpp"

namespace {

const colour ink{60, 60, 60};

std::vector<colour> slide_palette() {
    std::vector<colour> palette;
    for (int k = 0; k < slide_levels; ++k) palette.push_back(diverging_colour(2.0 * k / (slide_levels - 1) - 1.0));
    palette.push_back(missing_grey);
    return palette;
}

void slide_plot(std::string& page, const run_settings& s, const spot_tables& t, const html_figures& fig, int f,
                double cell, bool with_channels) {
    const level_raster& r = fig.files[static_cast<std::size_t>(f - 1)].slide;
    page += "<figure class=\"panel\">\n<div class=\"name\">" + escaped(numbered_label(s, f));
    if (with_channels) {
        const file_header& h = t.headers[static_cast<std::size_t>(f)];
        page += " (" + escaped(h.red_wavelength) + "/" + escaped(h.green_wavelength) + " nm)";
    }
    page += "</div>\n";
    svg_writer svg(page, cell * r.columns, cell * r.rows, std::string("Slide picture of ") + s.file_label(f));
    draw_raster(svg, r, 0, 0, cell, cell, slide_palette());
    svg.finish();
    page += "</figure>\n";
}

void slide_key(std::string& page) {
    std::vector<colour> colours = slide_palette();
    colours.pop_back();
    const std::string limit = short_fixed(slide_m_limit);
    // Built by append: MinGW's GCC 12 takes "-" + limit, or a short literal
    // assigned in place, for an overlapping copy (-Wrestrict).
    std::vector<std::string> labels;
    const std::size_t last = colours.size() - 1;
    for (std::size_t k = 0; k <= last; ++k)
        labels.push_back(k == 0      ? std::string("-").append(limit)
                         : k == last ? std::string("+").append(limit)
                                     : std::string(2 * k == last ? "0" : ""));
    svg_writer svg(page, 340, 40, "Colour key of the slides");
    const double end = swatch_key(svg, 4, 14, 20, 12, colours, labels, "mean M per tile");
    swatch_key(svg, end + 16, 14, 20, 12, {missing_grey}, {"none"});
    svg.finish();
}

}  // namespace

void slide_section(std::string& page, const run_settings& s, const spot_tables& t, const html_figures& fig) {
    page += "<h2>Slides</h2>\n";
    const slide_layout& l = fig.layout;
    if (!l.usable) {
        page += "<p>The block, column and row numbers of the files do not form a grid; no slide picture.</p>\n";
        return;
    }
    const int nf = t.file_count;
    const double width = nf <= 4 ? 400 : nf <= many_files ? 240 : 150;
    const double columns = l.block_columns * (l.tile_columns + 1) - 1;
    const double rows = (l.blocks / l.block_columns) * (l.tile_rows + 1) - 1;
    const double cell = std::max(0.2, std::floor(std::min(width / columns, 2 * width / rows) * 10) / 10);
    const page_channels channels = channels_of(t);
    page += "<figure>\n";
    slide_key(page);
    page += "<div class=\"grid\">\n";
    for (int f = 1; f <= nf; ++f) slide_plot(page, s, t, fig, f, cell, !channels.uniform);
    page += "</div>\n";
    const std::string colours =
        channels.uniform ? "red = more " + channels.red + " nm than " + channels.green + " nm, blue the reverse"
                         : "red = more signal in the file's red channel (its first wavelength, named above its "
                           "picture) than in its green one, blue the reverse";
    caption(page, "Each slide as printed, framed and named: mean M of the kept spots per tile of " + integer(l.tile) +
                      " x " + integer(l.tile) + " spots, blocks 1 to " + integer(l.blocks) + " left to right, " +
                      integer(l.block_columns) + " per row, a gap of one tile between blocks; " + colours +
                      ", grey = no usable spot. A patch or a stripe of one colour points to a scratch, a bubble or "
                      "an uneven wash; the spatial column of the suspect slides measures it.");
    page += "</figure>\n";
}

void box_section(std::string& page, const spot_tables& t, const html_figures& fig) {
    const int nf = t.file_count;
    double lo = 0, hi = 0;
    for (const file_figures& ff : fig.files)
        if (ff.box.count > 0) {
            lo = std::min(lo, ff.box.low);
            hi = std::max(hi, ff.box.high);
        }
    const std::vector<double> ticks = nice_ticks(lo, hi, 5);
    if (!ticks.empty()) {
        const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 1.0;
        lo = std::min(lo, ticks.front() - (ticks.front() > lo ? step : 0));
        hi = std::max(hi, ticks.back() + (ticks.back() < hi ? step : 0));
    }
    if (hi <= lo) hi = lo + 1;
    const double slot = slot_width(nf);
    const frame area{56, 10, slot * nf, 240};
    const linear_scale y{lo, hi, area.y + area.height, area.y};
    page += "<h2>Distribution of M</h2>\n<figure>\n";
    svg_writer svg(page, std::max(area.x + area.width + 20, 300.0), area.y + area.height + 40,
                   "Box plots of M per file");
    svg.line(area.x, y(0), area.x + area.width, y(0), colour{150, 150, 150});
    for (int f = 1; f <= nf; ++f) {
        const box_summary& b = fig.files[static_cast<std::size_t>(f - 1)].box;
        if (b.count == 0) continue;
        const double mid = area.x + (f - 0.5) * slot, half = slot * 0.3;
        svg.line(mid, y(b.low), mid, y(b.q1), ink);
        svg.line(mid, y(b.q3), mid, y(b.high), ink);
        svg.rect(mid - half, y(b.q3), 2 * half, y(b.q1) - y(b.q3), colour{198, 219, 239});
        svg.outline(mid - half, y(b.q3), 2 * half, y(b.q1) - y(b.q3), ink);
        svg.line(mid - half, y(b.median), mid + half, y(b.median), colour{8, 48, 107}, 2);
    }
    draw_axes(svg, area, linear_scale{0, 0, area.x, area.x}, y, "", "M = log2(R/G)", 5);
    file_labels(svg, nf, area.x, slot, area.y + area.height + 12);
    svg.text(area.x + area.width / 2, area.y + area.height + 32, "file", anchor::middle, 10);
    svg.finish();
    caption(page,
            "M of the kept spots per file, as normalised.txt holds it: box from the lower to the upper quartile, "
            "line at the median, whiskers to the last value within 1.5 box heights; boxes centred on 0 and of like "
            "height mean well-normalised files of like quality.");
    page += "</figure>\n";
}
