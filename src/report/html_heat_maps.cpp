// The correlation heat maps: every pair of files, coloured, with a key; the
// values written in the cells of a few files, in each cell's tooltip always.
#include <algorithm>
#include <cmath>

#include "plot/axes.hpp"
#include "plot/scales.hpp"
#include "report/html_page.hpp"

namespace {

// Colour levels 0..40 over the scale; then not-a-number.
constexpr int heat_levels = 41, heat_nan = 41;
// Up to this many files the values are written in the cells.
constexpr int written_values_limit = 20;

// The colour scale of one map, from `low` to 1: white to red when no
// coefficient is negative, so that among files that all agree the ones that
// agree least stand out; blue through white to red from -1 otherwise.
struct heat_scale {
    double low = -1;
    bool diverging = true;
    double value(int level) const { return low + (1.0 - low) * level / (heat_levels - 1); }
    int level(double r) const {
        if (!std::isfinite(r)) return heat_nan;
        return static_cast<int>(std::lround((std::clamp(r, low, 1.0) - low) / (1.0 - low) * (heat_levels - 1)));
    }
    colour of(int level) const {
        if (level == heat_nan) return missing_grey;
        return diverging_colour(diverging ? value(level) : static_cast<double>(level) / (heat_levels - 1));
    }
    bool dark(int level) const { return level != heat_nan && (level >= 33 || (diverging && level <= 7)); }
};

double pair_value(const dmatrix_t& cor, int i, int j) { return i < j ? cor[i][j] : cor[j][i]; }

// White at the lowest coefficient rounded down to 0.05, or the diverging scale.
heat_scale scale_of(const dmatrix_t& cor, int files) {
    double lowest = INFINITY;
    for (int i = 1; i <= files; ++i)
        for (int j = i + 1; j <= files; ++j)
            if (std::isfinite(cor[i][j])) lowest = std::min(lowest, cor[i][j]);
    heat_scale scale;
    if (!std::isfinite(lowest) || lowest < 0.0) return scale;
    scale.diverging = false;
    scale.low = std::min(std::floor(lowest * 20.0) / 20.0, 0.95);
    return scale;
}

struct heat_geometry {
    int files = 0;
    double cell = 0, left = 40, top = 26;
    double x(int j) const { return left + (j - 1) * cell; }
    double y(int i) const { return top + (i - 1) * cell; }
};

heat_geometry geometry_of(int files) {
    heat_geometry g;
    g.files = files;
    const double room = 590.0 / std::max(files, 1);
    g.cell = files <= written_values_limit ? std::clamp(std::floor(room), 26.0, 96.0) : std::max(4.0, std::floor(room));
    return g;
}

// One shape per pair, its cell above the diagonal and the mirror image
// below, grouped by colour, each with its tooltip.
void heat_cells(svg_writer& svg, const run_settings& s, const dmatrix_t& cor, const heat_scale& scale,
                const heat_geometry& g) {
    const int nf = g.files;
    for (int level = 0; level <= heat_nan; ++level) {
        bool open = false;
        for (int i = 1; i <= nf; ++i)
            for (int j = i + 1; j <= nf; ++j) {
                if (scale.level(cor[i][j]) != level) continue;
                if (!open) svg.open_fill_group(scale.of(level));
                open = true;
                svg.tiles({frame{g.x(j), g.y(i), g.cell, g.cell}, frame{g.x(i), g.y(j), g.cell, g.cell}},
                          numbered_label(s, i) + " and " + numbered_label(s, j) + ": " + fixed(cor[i][j], 3));
            }
        if (open) svg.close_group();
    }
    svg.open_fill_group(colour{235, 235, 235});
    for (int i = 1; i <= nf; ++i) svg.tiles({frame{g.x(i), g.y(i), g.cell, g.cell}}, numbered_label(s, i));
    svg.close_group();
}

void heat_labels(svg_writer& svg, const heat_geometry& g) {
    const int every = g.cell >= 12 ? 1 : static_cast<int>(std::ceil(12.0 / g.cell));
    const double size = std::min(10.0, std::max(7.0, g.cell * 0.6));
    for (int i = 1; i <= g.files; i += every) {
        svg.text(g.left - 4, g.y(i) + g.cell / 2 + 3, integer(i), anchor::end, size);
        svg.text(g.x(i) + g.cell / 2, g.top - 5, integer(i), anchor::middle, size);
    }
}

// The values in row order, white on the darker cells.
void heat_values(svg_writer& svg, const dmatrix_t& cor, const heat_scale& scale, const heat_geometry& g) {
    const double font = std::min(16.0, std::floor(g.cell * 2.8) / 10);
    svg.open_text_group(font, anchor::middle);
    for (int i = 1; i <= g.files; ++i)
        for (int j = 1; j <= g.files; ++j) {
            if (i == j) continue;
            const double r = pair_value(cor, i, j);
            svg.label(g.x(j) + g.cell / 2, g.y(i) + g.cell / 2 + font * 0.35, fixed(r, 3),
                      scale.dark(scale.level(r)) ? "#fff" : nullptr);
        }
    svg.close_group();
}

void heat_key(svg_writer& svg, const heat_scale& scale, double x, double y) {
    std::vector<colour> colours;
    std::vector<std::string> labels;
    for (int k = 0; k < heat_levels; ++k) {
        colours.push_back(scale.of(k));
        labels.push_back(k % 10 == 0 ? tick_text(scale.value(k), 3) : "");
    }
    const double end = swatch_key(svg, x, y, 6, 10, colours, labels, "r");
    swatch_key(svg, end + 16, y, 10, 10, {missing_grey}, {"nan"});
}

std::string scale_text(const heat_scale& scale) {
    if (scale.diverging) return "red near 1 = the files agree, white near 0, blue negative, grey nan";
    return "white at " + tick_text(scale.low, 2) +
           " to dark red at 1 (the scale starts at the lowest coefficient, so the files that agree least stand "
           "out), grey nan";
}

void heat_map(std::string& page, const run_settings& s, const dmatrix_t& cor, int files, const char* scale_name,
              const std::string& before, const std::string& after) {
    const heat_geometry g = geometry_of(files);
    const heat_scale scale = scale_of(cor, files);
    const double side = g.cell * files;
    page += "<figure>\n";
    svg_writer svg(page, std::max(g.left + side + 10, 340.0), g.top + side + 52,
                   std::string("Correlation of the ") + scale_name + " ratios between files");
    heat_cells(svg, s, cor, scale, g);
    heat_labels(svg, g);
    if (files <= written_values_limit) heat_values(svg, cor, scale, g);
    heat_key(svg, scale, g.left, g.top + side + 22);
    svg.finish();
    caption(page, before + scale_text(scale) + after);
    page += "</figure>\n";
}

// Where ratios of 0 and 100000 weigh: what the raw-scale caption says of them.
std::string extreme_ratio_text(const run_settings& s, const html_figures& fig) {
    long long zero = 0, top = 0;
    std::vector<std::string> files;
    for (std::size_t k = 0; k < fig.marks.size(); ++k) {
        zero += fig.marks[k].zero;
        top += fig.marks[k].hundred_thousand;
        if (fig.marks[k].zero + fig.marks[k].hundred_thousand > 0)
            files.push_back(integer(static_cast<long long>(k) + 1));
    }
    if (zero + top == 0) return " No spot these correlations take holds a ratio of 0 or 100000.";
    std::string text = std::string(" ").append(integer(top)) + (top == 1 ? " spot holds" : " spots hold") +
                       " GenePix's ratio 100000 (a zero denominator) and " + integer(zero) + " a ratio of 0, in " +
                       (files.size() == 1 ? "file " : "files ") + listed(files) +
                       ", flagged or not: cor.txt takes every spot but those below a --flag-cutoff (the columns "
                       "Ratio 0 and Ratio 100000 of the table of the run).";
    if (s.uses_normalised_m()) return text + " The normalisation leaves them out of every table: they have no M.";
    return text +
           " Under the header factors (and --normalise none) they enter these raw-scale correlations, where one "
           "ratio of 100000 among ratios near 1 can pull a coefficient to near 0 even between two readings of "
           "one scan; the log2 scale leaves the zeros out and weighs 100000 far less. --normalise median (or "
           "loess, printtiploess) leaves them out.";
}

}  // namespace

void heat_map_section(std::string& page, const run_settings& s, const spot_tables& t, const correlation_tables& c,
                      const html_figures& fig) {
    const int nf = t.file_count;
    const std::string before =
        " scale) for each pair of files, as in cor.txt (which holds each pair once, above the diagonal; the "
        "picture mirrors it): ";
    const std::string after =
        std::string("; ") +
        (nf <= written_values_limit ? "the value written in each cell" : "each value in its cell's tooltip") +
        "; rows and columns are the files of the table above.";
    page += "<h2>Correlation between files</h2>\n<div class=\"row\">\n";
    heat_map(page, s, c.raw.ratio, nf, "raw", "Pearson correlation of the ratios (raw" + before,
             after + " On the raw scale a few extreme ratios can decide a coefficient." + extreme_ratio_text(s, fig));
    heat_map(page, s, c.log2.ratio, nf, "log2", "Pearson correlation of the log2 ratios (log2" + before,
             after +
                 " A file that does not belong shows as a pale row and column on both scales; pale on the raw "
                 "scale alone points to extreme ratios rather than to the slide.");
    page += "</div>\n";
}
