// The MA plots: per file the density of its spots on A and M with the loess
// curve of M on A, before and after a loess normalisation, and the spots set
// aside beside them.
#include <algorithm>

#include "plot/axes.hpp"
#include "plot/raster.hpp"
#include "plot/scales.hpp"
#include "report/html_page.hpp"

namespace {

const char* const a_title = "A = \xc2\xbd log2(R\xc2\xb7G)";
const char* const m_title = "M = log2(R/G)";
const colour curve_colour{203, 24, 29};
// The lightest level stays visible on white.
constexpr double lightest_blue = 0.3;

// Page units per cell: large pictures for a few files, small multiples for many.
double ma_cell(int files, const ma_grid& g) {
    const double width = files <= 4 ? 384.0 : files <= many_files ? 256.0 : 160.0;
    return width / g.columns;
}

struct ma_panel_spec {
    const ma_density* d;
    const char* title;
    colour (*scale)(double);
    double from;
};

void ma_curve(svg_writer& svg, const ma_density& d, const linear_scale& x, const linear_scale& y, double width) {
    if (d.fitted == 0) return;
    std::vector<double> px, py;
    for (std::size_t i = 0; i < d.curve_a.size(); ++i) {
        px.push_back(x(std::clamp(d.curve_a[i], ma_a_low, ma_a_high)));
        py.push_back(y(std::clamp(d.curve_m[i], -ma_m_limit, ma_m_limit)));
    }
    svg.polyline(px, py, curve_colour, width);
}

void ma_panel(svg_writer& svg, const ma_panel_spec& p, const frame& area, double cell, double curve_width) {
    const linear_scale x{ma_a_low, ma_a_high, area.x, area.x + area.width};
    const linear_scale y{-ma_m_limit, ma_m_limit, area.y + area.height, area.y};
    draw_raster(svg, p.d->bins, area.x, area.y, cell, cell, palette_of(p.scale, density_levels, p.from));
    svg.line(area.x, y(0), area.x + area.width, y(0), colour{150, 150, 150});
    ma_curve(svg, *p.d, x, y, curve_width);
    draw_axes(svg, area, x, y, a_title, m_title, 4);
    svg.text(area.x + area.width / 2, area.y - 5, p.title, anchor::middle, 10);
}

std::string curve_note(const ma_density& d) {
    if (d.fitted == 0) return "too few for a curve";
    if (d.fitted == d.spots) return "curve on all of them";
    return "curve on " + integer(d.fitted) + " of them";
}

std::string file_note(const html_figures& fig, const file_figures& ff) {
    std::string text =
        integer(ff.kept.spots) + " kept (" + curve_note(ff.kept) + "), " + integer(ff.aside.spots) + " set aside";
    if (ff.aside_from_medians > 0) text += " (" + integer(ff.aside_from_medians) + " placed by their medians)";
    text += ", " + integer(ff.without_m) + " without M or A";
    if (fig.with_before) text += "; before loess, " + curve_note(ff.before);
    return text + ".";
}

void ma_plot(std::string& page, const run_settings& s, const spot_tables& t, const html_figures& fig, int f) {
    const file_figures& ff = fig.files[static_cast<std::size_t>(f - 1)];
    std::vector<ma_panel_spec> panels;
    if (fig.with_before) panels.push_back({&ff.before, "before loess", sequential_colour, lightest_blue});
    panels.push_back({&ff.kept, fig.with_before ? "after loess" : "kept", sequential_colour, lightest_blue});
    panels.push_back({&ff.aside, "set aside", warm_colour, 0.0});
    const double cell = ma_cell(t.file_count, fig.grid);
    const double width = cell * fig.grid.columns, height = cell * fig.grid.rows, gap = 52;
    page += "<figure class=\"panel\">\n<div class=\"name\">" + escaped(numbered_label(s, f)) + " (" +
            escaped(channel_names(t, f)) + ")</div>\n";
    svg_writer svg(page, gap + (width + gap) * static_cast<double>(panels.size()) - gap + 8, 18 + height + 36,
                   std::string("MA plot of ") + s.file_label(f));
    for (std::size_t k = 0; k < panels.size(); ++k)
        ma_panel(svg, panels[k], frame{gap + (width + gap) * static_cast<double>(k), 18, width, height}, cell,
                 t.file_count <= 4 ? 2.0 : 1.5);
    svg.finish();
    caption(page, file_note(fig, ff));
    page += "</figure>\n";
}

void density_key(std::string& page) {
    std::vector<std::string> labels;
    for (int k = 0; k < density_levels; ++k) labels.push_back(integer(1LL << k) + (k == density_levels - 1 ? "+" : ""));
    svg_writer svg(page, 900, 40, "Colour key of the MA plots");
    double x = swatch_key(svg, 4, 14, 26, 10, palette_of(sequential_colour, density_levels, lightest_blue), labels,
                          "spots per cell, kept");
    x = swatch_key(svg, x + 24, 14, 26, 10, palette_of(warm_colour, density_levels, 0.0), labels, "set aside");
    svg.line(x + 24, 19, x + 54, 19, curve_colour, 2);
    svg.text(x + 60, 23, "loess curve of M on A", anchor::start, 10);
    svg.finish();
}

std::string ma_caption(const html_figures& fig) {
    std::string text =
        "Each file's spots by A = \xc2\xbd log2(R\xc2\xb7G), the average log2 intensity, and M = log2(R/G), the log2 "
        "ratio as normalised.txt holds it (R and G the background-subtracted medians of the red and green "
        "channels named above each picture), counted in cells: darker = more spots. Blue: the spots kept; "
        "orange: the spots set aside as merge.txt sets them aside (a negative flag or the test against C; with "
        "--flag-cutoff, the cutoff and the test). The red line is a lowess curve of M on A (span 0.3, four "
        "iterations, as the loess normalisation fits it) through the kept spots, fitted on every k-th of them in "
        "A order where more than " +
        integer(curve_sample_limit) +
        " are kept. A curve bending away from M = 0 shows an intensity-dependent dye bias.";
    if (fig.with_before)
        text +=
            " The first picture shows M before the loess normalisation took its curve out (print-tip loess takes "
            "one curve per block out; the line drawn is one curve over the whole slide), the second after it, "
            "where the curve should lie flat on 0.";
    for (const file_figures& ff : fig.files)
        if (ff.aside_from_medians > 0) {
            text +=
                " Spots set aside by the flag cutoff have no M; they are placed by log2(R/G) and A of their "
                "medians, not normalised.";
            break;
        }
    return text + " M outside -" + tick_text(ma_m_limit, 1) + " to " + tick_text(ma_m_limit, 1) + " and A outside " +
           tick_text(ma_a_low, 1) + " to " + tick_text(ma_a_high, 1) + " are drawn on the edge.";
}

}  // namespace

void ma_section(std::string& page, const run_settings& s, const spot_tables& t, const html_figures& fig) {
    page += "<h2>MA plots</h2>\n<figure>\n";
    density_key(page);
    page += "<div class=\"grid\">\n";
    for (int f = 1; f <= t.file_count; ++f) ma_plot(page, s, t, fig, f);
    page += "</div>\n";
    caption(page, ma_caption(fig));
    page += "</figure>\n";
}
