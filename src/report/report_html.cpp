#include "report/report_html.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "numeric/fixed_text.hpp"
#include "plot/axes.hpp"
#include "plot/raster.hpp"
#include "plot/scales.hpp"
#include "plot/svg.hpp"
#include "report/report_staging.hpp"
#include "run/failure.hpp"

namespace {

const colour ink{60, 60, 60};

std::string fixed(double value, int decimals) {
    char text[fixed_text_room];
    return std::string(text, format_fixed(text, value, decimals, 0));
}

std::string integer(long long value) {
    char text[fixed_text_room];
    return std::string(text, format_int(text, value, 0));
}

// 2.000000 as "2.0", 0.125000 as "0.125".
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

bool few_files(const spot_tables& t) { return t.file_count <= 6; }

// Width of one file's slot in the side-by-side charts.
double slot_width(int files) { return std::clamp(std::floor(900.0 / std::max(files, 1)), 6.0, 40.0); }

void caption(std::string& page, std::string_view text) {
    page += "<figcaption>";
    append_escaped(page, text);
    page += "</figcaption>\n";
}

void page_head(std::string& page, const html_inputs& extra) {
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<title>Spotweave quality report</title>\n<style>\n";
    page +=
        "body{font-family:sans-serif;margin:1.5em;color:#222}\n"
        "h1{font-size:1.4em}h2{font-size:1.15em;margin-top:1.6em;border-bottom:1px solid #ccc}\n"
        "figure{display:inline-block;margin:0 1em 1em 0;vertical-align:top}\n"
        "figcaption{font-size:.85em;color:#444;max-width:60em}\n"
        ".grid{display:flex;flex-wrap:wrap;gap:4px 10px}.grid figure{margin:0;display:table}\n"
        ".grid figcaption{font-size:.75em;display:table-caption;caption-side:bottom}\n"
        "table{border-collapse:collapse;font-size:.85em}td,th{border:1px solid #ccc;padding:2px 6px}\n"
        "td.n{text-align:right}svg text{font-family:sans-serif}\n"
        "@media print{h2{break-after:avoid}figure{break-inside:avoid}}\n";
    page += "</style>\n</head>\n<body>\n<h1>Spotweave quality report</h1>\n";
    if (!extra.program_version.empty()) page += "<p>Written by Spotweave " + escaped(extra.program_version) + ".</p>\n";
}

void run_table(std::string& page, const run_settings& s, const spot_tables& t, const merge_tables& m) {
    const int k = s.ratio_approach;
    page += "<h2>The run</h2>\n<p>" + integer(t.file_count) + " files of " + integer(t.spot_count) + " spots, " +
            integer(t.gene_count) + " genes of " + integer(t.replicate_count) + " replicated spots; ratio approach " +
            integer(k) + " (" + (k >= 1 && k <= 5 ? ratio_approach_titles[k] : "unknown") +
            "); C = " + short_fixed(s.qc_constant) + ".</p>\n";
    page += std::string("<p>Normalisation: ") + normalisation_titles[static_cast<int>(s.normalise)] +
            " within files, " + (s.between == between_files::scale ? "scaled" : "none") + " between files" +
            (s.flag_cutoff_given ? "; spots flagged below " + integer(s.flag_cutoff) + " set aside" : "") + ".</p>\n";
    page +=
        "<table>\n<tr><th>#</th><th>File</th><th>Version</th><th>Spots</th><th>Factor used</th>"
        "<th>Values set aside</th><th>Outliers</th></tr>\n";
    for (int f = 1; f <= t.file_count; ++f) {
        const file_header& header = t.headers[static_cast<std::size_t>(f)];
        const std::string& version = header.format.type;
        page += "<tr><td class=\"n\">" + integer(f) + "</td><td>" + escaped(s.file_label(f)) + "</td><td>" +
                (version.empty() ? "-" : escaped(version)) + "</td><td class=\"n\">" + integer(t.spot_count) +
                "</td><td class=\"n\">" + fixed(header.factor[k], 6) + "</td><td class=\"n\">" +
                integer(static_cast<long long>(m.file_unusable[f]) + m.file_outliers[f]) + "</td><td class=\"n\">" +
                integer(m.file_outliers[f]) + "</td></tr>\n";
    }
    page += "</table>\n";
}

// x labels of side-by-side charts: every file when there is room, else every k-th.
void file_labels(svg_writer& svg, int files, double x0, double slot, double y) {
    const int every = slot >= 14 ? 1 : static_cast<int>(std::ceil(14.0 / slot));
    for (int f = 1; f <= files; ++f)
        if ((f - 1) % every == 0) svg.text(x0 + (f - 0.5) * slot, y, integer(f), anchor::middle, 9);
}

void set_aside_chart(std::string& page, const spot_tables& t, const merge_tables& m) {
    const int nf = t.file_count;
    const double slot = slot_width(nf);
    const frame area{50, 34, slot * nf, 160};
    long long top = 1;
    for (int f = 1; f <= nf; ++f) top = std::max(top, static_cast<long long>(m.file_unusable[f]) + m.file_outliers[f]);
    const linear_scale x{0, static_cast<double>(nf), area.x, area.x + area.width};
    const linear_scale y{0, static_cast<double>(top), area.y + area.height, area.y};
    const colour unusable{107, 174, 214}, outliers{230, 85, 13};
    page += "<figure>\n";
    svg_writer svg(page, std::max(area.x + area.width + 20, 340.0), area.y + area.height + 40,
                   "Values set aside per file");
    for (int f = 1; f <= nf; ++f) {
        const double u = m.file_unusable[f], o = m.file_outliers[f];
        const double left = x(f - 1) + slot * 0.15, width = slot * 0.7;
        svg.rect(left, y(u), width, y(0) - y(u), unusable);
        svg.rect(left, y(u + o), width, y(u) - y(u + o), outliers);
        if (nf <= 30)
            svg.text(left + width / 2, y(u + o) - 3, integer(static_cast<long long>(u + o)), anchor::middle, 9);
    }
    draw_axes(svg, area, linear_scale{0, 0, area.x, area.x}, y, "", "values", 5);
    file_labels(svg, nf, area.x, slot, area.y + area.height + 12);
    svg.text(area.x + area.width / 2, area.y + area.height + 32, "file", anchor::middle, 10);
    svg.rect(area.x + 4, 6, 10, 10, unusable);
    svg.text(area.x + 18, 15, "unusable (not positive, or negative flag)", anchor::start, 10);
    svg.rect(area.x + 215, 6, 10, 10, outliers);
    svg.text(area.x + 229, 15, "outliers", anchor::start, 10);
    svg.finish();
    caption(page,
            "Values set aside per file, as in merge.txt: bar height = values not used in the pooled "
            "ratios, the orange top part the outliers among them; a file standing out is suspect.");
    page += "</figure>\n";
}

// Colour levels of a heat map: 0..20 over r from -1 to 1, then not-a-number and the diagonal.
constexpr int r_levels = 21, r_level_nan = 21, r_level_diagonal = 22;

std::vector<colour> heat_palette() {
    std::vector<colour> palette;
    for (int k = 0; k < r_levels; ++k) palette.push_back(diverging_colour(k / 10.0 - 1.0));
    palette.push_back(missing_grey);
    palette.push_back(colour{235, 235, 235});
    return palette;
}

level_raster heat_cells(const dmatrix_t& cor, int nf) {
    level_raster cells(nf, nf);
    for (int i = 1; i <= nf; ++i)
        for (int j = 1; j <= nf; ++j) {
            const double r = cor.row_hi() >= i ? cor[i][j] : not_computed;
            int& level = cells.at(j - 1, i - 1);
            if (r == not_computed)
                level = i == j ? r_level_diagonal : -1;
            else
                level = std::isfinite(r) ? static_cast<int>(std::lround((std::clamp(r, -1.0, 1.0) + 1.0) * 10.0))
                                         : r_level_nan;
        }
    return cells;
}

void heat_map(std::string& page, const spot_tables& t, const dmatrix_t& cor, const char* scale_name) {
    const int nf = t.file_count;
    const double cell = std::clamp(std::floor(700.0 / std::max(nf, 1)), 8.0, 48.0);
    const double left = 30, top = 20, font = std::floor(cell * 2.8) / 10;
    page += "<figure>\n";
    svg_writer svg(page, left + cell * nf + 10, top + cell * nf + 10,
                   std::string("Correlation of the ") + scale_name + " ratios between files");
    const level_raster cells = heat_cells(cor, nf);
    draw_raster(svg, cells, left, top, cell, cell, heat_palette());
    for (int i = 1; i <= nf; ++i) {
        svg.text(left - 4, top + (i - 0.5) * cell + 3, integer(i), anchor::end, std::min(10.0, cell * 0.6));
        svg.text(left + (i - 0.5) * cell, top - 5, integer(i), anchor::middle, std::min(10.0, cell * 0.6));
    }
    // The values in row order, white on the darker cells.
    svg.open_text_group(font, anchor::middle);
    for (int i = 1; i <= nf; ++i)
        for (int j = 1; j <= nf; ++j) {
            const int level = cells.at(j - 1, i - 1);
            if (level < 0 || level == r_level_diagonal) continue;
            const bool dark = level < r_levels && (level <= 3 || level >= 17);
            svg.label(left + (j - 0.5) * cell, top + (i - 0.5) * cell + font * 0.35, fixed(cor[i][j], 3),
                      dark ? "#fff" : nullptr);
        }
    svg.close_group();
    svg.finish();
    caption(page, std::string("Pearson correlation of the normalised ratios (") + scale_name +
                      " scale) for each pair of files, as in cor.txt: red near 1 = files agree, white near 0, "
                      "blue negative; row and column numbers are the files of the table above.");
    page += "</figure>\n";
}

std::vector<colour> palette_of(colour (*scale)(double), int levels) {
    std::vector<colour> palette;
    for (int k = 0; k < levels; ++k) palette.push_back(scale(levels > 1 ? static_cast<double>(k) / (levels - 1) : 1.0));
    return palette;
}

// One panel of an MA plot: the binned spots on the common A and M axes.
void ma_panel(svg_writer& svg, const level_raster& bins, const frame& area, double cell, colour (*scale)(double),
              const char* title) {
    const linear_scale x{ma_a_low, ma_a_high, area.x, area.x + area.width};
    const linear_scale y{-ma_m_limit, ma_m_limit, area.y + area.height, area.y};
    draw_raster(svg, bins, area.x, area.y, cell, cell, palette_of(scale, density_levels));
    svg.line(area.x, y(0), area.x + area.width, y(0), colour{150, 150, 150});
    draw_axes(svg, area, x, y, "A", "M", 4);
    svg.text(area.x + area.width / 2, area.y - 4, title, anchor::middle, 10);
}

// Kept spots on the left, spots set aside beside them on the same axes.
void ma_plot(std::string& page, const run_settings& s, const spot_tables& t, const file_figures& ff, int f) {
    const double cell = few_files(t) ? 3.0 : 2.0;
    const frame kept{42, 18, cell * ma_bins_a, cell * ma_bins_m};
    const frame aside{kept.x + kept.width + 42, kept.y, kept.width, kept.height};
    page += "<figure>\n";
    svg_writer svg(page, aside.x + aside.width + 8, kept.y + kept.height + 34,
                   std::string("MA plot of ") + s.file_label(f));
    ma_panel(svg, ff.ma_kept, kept, cell, sequential_colour, "kept");
    ma_panel(svg, ff.ma_aside, aside, cell, warm_colour, "set aside");
    svg.finish();
    caption(page, integer(f) + ". " + s.file_label(f) + ": " + integer(ff.kept) + " kept, " + integer(ff.aside) +
                      " set aside, " + integer(ff.without_m) + " without M or A");
    page += "</figure>\n";
}

void ma_section(std::string& page, const run_settings& s, const spot_tables& t, const html_figures& fig) {
    page += "<h2>MA plots</h2>\n<figure>\n<div class=\"grid\">\n";
    for (int f = 1; f <= t.file_count; ++f) ma_plot(page, s, t, fig.files[static_cast<std::size_t>(f - 1)], f);
    page += "</div>\n";
    caption(page,
            "M = log2 normalised ratio against A = 1/2 log2 of the product of the two background-subtracted "
            "medians, binned (darker = more spots): in blue the spots kept, beside them in orange the spots set "
            "aside by a negative flag (the test against C included); a cloud bending away from M = 0 shows "
            "intensity-dependent dye bias; M outside -" +
                tick_text(ma_m_limit, 1) + " to " + tick_text(ma_m_limit, 1) + " and A outside " +
                tick_text(ma_a_low, 1) + " to " + tick_text(ma_a_high, 1) + " are drawn on the edge.");
    page += "</figure>\n";
}

void slide_plot(std::string& page, const run_settings& s, const html_figures& fig, int f, double cell) {
    const level_raster& r = fig.files[static_cast<std::size_t>(f - 1)].slide;
    std::vector<colour> palette;
    for (int k = 0; k < slide_levels; ++k) palette.push_back(diverging_colour(2.0 * k / (slide_levels - 1) - 1.0));
    palette.push_back(missing_grey);
    page += "<figure>\n";
    svg_writer svg(page, cell * r.columns, cell * r.rows, std::string("Slide picture of ") + s.file_label(f));
    draw_raster(svg, r, 0, 0, cell, cell, palette);
    svg.finish();
    caption(page, integer(f) + ". " + s.file_label(f));
    page += "</figure>\n";
}

void colour_key(std::string& page) {
    svg_writer svg(page, 300, 30, "Colour key of M");
    for (int k = 0; k < slide_levels; ++k) {
        const double v = 2.0 * k / (slide_levels - 1) - 1.0;
        svg.rect(20 + k * 20, 2, 20, 12, diverging_colour(v));
    }
    svg.rect(250, 2, 20, 12, missing_grey);
    const std::string limit = short_fixed(slide_m_limit);
    svg.text(30, 26, std::string("-").append(limit), anchor::middle, 9);
    svg.text(130, 26, "0", anchor::middle, 9);
    svg.text(230, 26, std::string("+").append(limit), anchor::middle, 9);
    svg.text(260, 26, "none", anchor::middle, 9);
    svg.finish();
}

void slide_section(std::string& page, const run_settings& s, const spot_tables& t, const html_figures& fig) {
    page += "<h2>Slides</h2>\n";
    const slide_layout& l = fig.layout;
    if (!l.usable) {
        page += "<p>The block, column and row numbers of the files do not form a grid; no slide picture.</p>\n";
        return;
    }
    const double width = few_files(t) ? 300 : 150;
    const double columns = l.block_columns * (l.tile_columns + 1) - 1;
    const double rows = (l.blocks / l.block_columns) * (l.tile_rows + 1) - 1;
    const double cell = std::max(0.2, std::floor(std::min(width / columns, 2 * width / rows) * 10) / 10);
    page += "<figure>\n<div class=\"grid\">\n";
    for (int f = 1; f <= t.file_count; ++f) slide_plot(page, s, fig, f, cell);
    page += "</div>\n";
    colour_key(page);
    caption(page, "Each slide as printed: mean M of the kept spots per tile of " + integer(l.tile) + " x " +
                      integer(l.tile) + " spots, blocks 1 to " + integer(l.blocks) + " left to right, " +
                      integer(l.block_columns) +
                      " per row; red = more 632 than 532, blue the reverse, grey = no "
                      "usable spot; a patch or a stripe of one colour points to a scratch or an uneven wash.");
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
    const frame area{50, 10, slot * nf, 200};
    const linear_scale y{lo, hi, area.y + area.height, area.y};
    page += "<h2>Distribution of M</h2>\n<figure>\n";
    svg_writer svg(page, area.x + area.width + 20, area.y + area.height + 40, "Box plots of M per file");
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
    draw_axes(svg, area, linear_scale{0, 0, area.x, area.x}, y, "", "M", 5);
    file_labels(svg, nf, area.x, slot, area.y + area.height + 12);
    svg.text(area.x + area.width / 2, area.y + area.height + 32, "file", anchor::middle, 10);
    svg.finish();
    caption(page,
            "M of the kept spots per file: box from the lower to the upper quartile, line at the median, "
            "whiskers to the last value within 1.5 box heights; boxes centred on 0 and of like height "
            "mean well-normalised files of like quality.");
    page += "</figure>\n";
}

struct volcano_points {
    std::vector<double> x, y;
    int infinite = 0;
    double x_limit = 1, y_top = 1;
};

volcano_points volcano_of(const spot_tables& t, const merge_tables& m) {
    volcano_points v;
    for (int g = 1; g <= t.gene_count; ++g) {
        const double p = m.gene_p_value[g];
        if (!(p >= 0.0)) continue;  // "-" in merge.txt
        const double y = p > 0.0 ? -std::log10(p) : INFINITY;
        if (std::isinf(y)) ++v.infinite;
        v.x.push_back(m.gene_log2_mean[g]);
        v.y.push_back(y);
        if (std::isfinite(m.gene_log2_mean[g]))
            v.x_limit = std::max(v.x_limit, std::ceil(std::fabs(m.gene_log2_mean[g])));
        if (std::isfinite(y)) v.y_top = std::max(v.y_top, std::ceil(y));
    }
    return v;
}

void volcano_plot(std::string& page, const volcano_points& v) {
    constexpr int bins_x = 64, bins_y = 40;
    const double cell = 4.0;
    const frame area{42, 8, cell * bins_x, cell * bins_y};
    const linear_scale x{-v.x_limit, v.x_limit, area.x, area.x + area.width};
    const linear_scale y{0, v.y_top, area.y + area.height, area.y};
    level_raster counts(bins_x, bins_y);
    for (std::size_t i = 0; i < v.x.size(); ++i) {
        const double fx = (v.x[i] + v.x_limit) / (2 * v.x_limit) * bins_x;
        const double fy = std::isfinite(v.y[i]) ? v.y[i] / v.y_top * bins_y : bins_y;
        const int bx = std::clamp(static_cast<int>(std::isfinite(fx) ? std::floor(fx) : 0.0), 0, bins_x - 1);
        const int by = std::clamp(static_cast<int>(std::floor(fy)), 0, bins_y - 1);
        int& c = counts.at(bx, bins_y - 1 - by);
        c = c < 0 ? 1 : c + 1;
    }
    for (int& c : counts.level)
        if (c > 0) c = density_level(c);
    page += "<figure>\n";
    svg_writer svg(page, area.x + area.width + 8, area.y + area.height + 34, "Volcano plot of the merged genes");
    draw_raster(svg, counts, area.x, area.y, cell, cell, palette_of(sequential_colour, density_levels));
    const double p05 = -std::log10(0.05);
    if (p05 < v.y_top) svg.line(area.x, y(p05), area.x + area.width, y(p05), colour{230, 85, 13});
    draw_axes(svg, area, x, y, "mean log2 ratio", "-log10 p", 5);
    svg.finish();
    caption(page, "Volcano plot of the " + integer(static_cast<long long>(v.x.size())) +
                      " genes with a p-value: mean log2 ratio against -log10 p (darker = more genes), orange line at "
                      "p = 0.05; genes far out and high are changed consistently" +
                      (v.infinite > 0 ? "; " + integer(v.infinite) + " with p = 0 sit on the top edge." : "."));
    page += "</figure>\n";
}

void p_histogram(std::string& page, const volcano_points& v, const spot_tables& t, const merge_tables& m) {
    constexpr int bins = 20;
    std::vector<int> count(bins, 0);
    int top = 1;
    for (int g = 1; g <= t.gene_count; ++g) {
        const double p = m.gene_p_value[g];
        if (!(p >= 0.0)) continue;  // "-" in merge.txt
        const int b = std::clamp(static_cast<int>(std::floor(p * bins)), 0, bins - 1);
        top = std::max(top, ++count[static_cast<std::size_t>(b)]);
    }
    const frame area{50, 8, 256, 160};
    const linear_scale x{0, 1, area.x, area.x + area.width};
    const linear_scale y{0, static_cast<double>(top), area.y + area.height, area.y};
    page += "<figure>\n";
    svg_writer svg(page, area.x + area.width + 12, area.y + area.height + 34, "Histogram of the p-values");
    for (int b = 0; b < bins; ++b)
        svg.rect(x(b / 20.0) + 0.5, y(count[static_cast<std::size_t>(b)]), area.width / bins - 1,
                 y(0) - y(count[static_cast<std::size_t>(b)]), colour{107, 174, 214});
    draw_axes(svg, area, x, y, "p-value", "genes", 5);
    svg.finish();
    caption(page, "p-values of the " + integer(static_cast<long long>(v.x.size())) +
                      " genes in 20 bins: flat when nothing changes, a peak at the left when some genes do.");
    page += "</figure>\n";
}

}  // namespace

std::string report_html_text(const run_settings& s, const spot_tables& t, const merge_tables& m,
                             const html_figures& fig, const correlation_tables& c, const html_inputs& extra) {
    std::string page;
    page_head(page, extra);
    run_table(page, s, t, m);
    set_aside_chart(page, t, m);
    page += "<h2>Correlation between files</h2>\n";
    heat_map(page, t, c.raw.ratio, "raw");
    heat_map(page, t, c.log2.ratio, "log2");
    ma_section(page, s, t, fig);
    slide_section(page, s, t, fig);
    box_section(page, t, fig);
    page += "<h2>Merged genes</h2>\n";
    const volcano_points v = volcano_of(t, m);
    volcano_plot(page, v);
    p_histogram(page, v, t, m);
    page += "</body>\n</html>\n";
    return page;
}

void write_report_html(const run_settings& s, const spot_tables& t, const merge_tables& m, const html_figures& fig,
                       const correlation_tables& c, const html_inputs& extra, const char* path) {
    const std::string page = report_html_text(s, t, m, fig, c, extra);
    errno = 0;
    std::FILE* file = std::fopen(path, "wb");
    bool written = file != nullptr && std::fwrite(page.data(), 1, page.size(), file) == page.size();
    if (file != nullptr) written = (std::fclose(file) == 0) && written;
    const int error = errno;
    if (!written)
        failure_stop("can't write the report <" + shown_report_path(path) +
                     ">: " + (error != 0 ? std::strerror(error) : "write error") +
                     "\ncheck that the folder is writable and has room, then run again.\n");
}
