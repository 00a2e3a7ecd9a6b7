// The merged genes: a volcano plot and the histogram of the p-values, from
// the moderated t-test when the run made it, else from merge.txt's t-test.
#include <algorithm>
#include <cmath>
#include <limits>

#include "plot/axes.hpp"
#include "plot/raster.hpp"
#include "plot/scales.hpp"
#include "report/html_page.hpp"

namespace {

// Up to this many genes each is drawn as a dot; more as a density.
constexpr std::size_t dot_limit = 3000;
const colour line_colour{230, 85, 13}, plain_dot{33, 102, 172}, marked_dot{203, 24, 29};

struct gene_points {
    bool moderated = false;
    std::vector<double> x, y, p;
    std::vector<char> marked;  // beyond the line
    int infinite = 0;
    double x_limit = 1, y_top = 1;
    double line = std::numeric_limits<double>::quiet_NaN();  // -log10 of the p-value the line marks
};

void add_gene(gene_points& v, double x, double p, bool marked) {
    const double y = p > 0.0 ? -std::log10(p) : INFINITY;
    if (std::isinf(y)) ++v.infinite;
    v.x.push_back(x);
    v.y.push_back(y);
    v.p.push_back(p);
    v.marked.push_back(marked ? 1 : 0);
    if (std::isfinite(x)) v.x_limit = std::max(v.x_limit, std::ceil(std::fabs(x)));
    if (std::isfinite(y)) v.y_top = std::max(v.y_top, std::ceil(y));
}

gene_points points_of(const spot_tables& t, const merge_tables& m, const moderated_genes* moderated) {
    gene_points v;
    v.moderated = moderated != nullptr;
    if (moderated != nullptr) {
        double largest = -1;  // the largest p-value at a false discovery rate below 5 %
        for (int g = 1; g <= t.gene_count; ++g) {
            const std::size_t k = static_cast<std::size_t>(g - 1);
            const double p = moderated->result.p_value[k], adjusted = moderated->result.adjusted_p[k];
            if (!(p >= 0.0) || !std::isfinite(moderated->log2_ratio[static_cast<std::size_t>(g)])) continue;
            const bool marked = adjusted < 0.05;
            if (marked) largest = std::max(largest, p);
            add_gene(v, moderated->log2_ratio[static_cast<std::size_t>(g)], p, marked);
        }
        if (largest > 0.0) v.line = -std::log10(largest);
        return v;
    }
    for (int g = 1; g <= t.gene_count; ++g) {
        const double p = m.gene_p_value[g];
        if (!(p >= 0.0)) continue;  // "-" in merge.txt
        add_gene(v, m.gene_log2_mean[g], p, p < 0.05);
    }
    v.line = -std::log10(0.05);
    return v;
}

void volcano_dots(svg_writer& svg, const gene_points& v, const linear_scale& x, const linear_scale& y) {
    for (const char marked : {0, 1}) {
        svg.open_fill_group(marked ? marked_dot : plain_dot, marked ? 0.8 : 0.5);
        for (std::size_t i = 0; i < v.x.size(); ++i) {
            if (v.marked[i] != marked) continue;
            const double gy = std::isfinite(v.y[i]) ? v.y[i] : v.y_top;
            const double gx = std::isfinite(v.x[i]) ? std::clamp(v.x[i], -v.x_limit, v.x_limit) : 0.0;
            svg.dot(x(gx), y(gy), 2.5);
        }
        svg.close_group();
    }
}

void volcano_density(svg_writer& svg, const gene_points& v, const frame& area, double cell) {
    const int columns = static_cast<int>(area.width / cell), rows = static_cast<int>(area.height / cell);
    level_raster counts(columns, rows);
    for (std::size_t i = 0; i < v.x.size(); ++i) {
        const double fx = (v.x[i] + v.x_limit) / (2 * v.x_limit) * columns;
        const double fy = std::isfinite(v.y[i]) ? v.y[i] / v.y_top * rows : rows;
        const int bx = std::clamp(static_cast<int>(std::isfinite(fx) ? std::floor(fx) : 0.0), 0, columns - 1);
        const int by = std::clamp(static_cast<int>(std::floor(fy)), 0, rows - 1);
        int& c = counts.at(bx, rows - 1 - by);
        c = c < 0 ? 1 : c + 1;
    }
    for (int& c : counts.level)
        if (c > 0) c = density_level(c);
    draw_raster(svg, counts, area.x, area.y, cell, cell, palette_of(sequential_colour, density_levels, 0.3));
}

std::string source_text(const gene_points& v) {
    return v.moderated ? "the moderated t-test of moderated.txt (empirical Bayes, as limma's eBayes)"
                       : "the t-test of merge.txt";
}

void volcano_plot(std::string& page, const gene_points& v) {
    const frame area{56, 10, 512, 320};
    const linear_scale x{-v.x_limit, v.x_limit, area.x, area.x + area.width};
    const linear_scale y{0, v.y_top, area.y + area.height, area.y};
    const bool dots = v.x.size() <= dot_limit;
    page += "<figure>\n";
    svg_writer svg(page, area.x + area.width + 12, area.y + area.height + (dots ? 40 : 76),
                   "Volcano plot of the merged genes");
    if (dots) {
        volcano_dots(svg, v, x, y);
    } else {
        volcano_density(svg, v, area, 4.0);
        std::vector<std::string> labels;
        for (int k = 0; k < density_levels; ++k)
            labels.push_back(integer(1LL << k) + (k == density_levels - 1 ? "+" : ""));
        swatch_key(svg, area.x, area.y + area.height + 50, 26, 10, palette_of(sequential_colour, density_levels, 0.3),
                   labels, "genes per cell");
    }
    if (std::isfinite(v.line) && v.line < v.y_top)
        svg.line(area.x, y(v.line), area.x + area.width, y(v.line), line_colour, 1.5);
    draw_axes(svg, area, x, y, "mean log2 ratio", v.moderated ? "-log10 moderated p" : "-log10 p", 5);
    svg.finish();
    int marked = 0;
    for (char k : v.marked) marked += k;
    std::string text = "Volcano plot of the " + integer(static_cast<long long>(v.x.size())) +
                       " genes with a p-value, from " + source_text(v) + ": mean log2 ratio against -log10 p (" +
                       (dots ? "one dot per gene" : "darker = more genes") + "). ";
    const std::string in_red = dots ? ", in red" : "";
    if (v.moderated)
        text += std::isfinite(v.line) ? "The orange line marks a false discovery rate of 5 % (Benjamini-Hochberg "
                                        "adjusted p-value below 0.05): " +
                                            integer(marked) + " genes above it" + in_red + "."
                                      : "No gene reaches a false discovery rate of 5 %, so no line is drawn.";
    else
        text += "The orange line marks p = 0.05 (" + integer(marked) + " genes above it" + in_red +
                "), not corrected for the number of genes: 5 % of unchanged genes lie above it too.";
    if (v.infinite > 0) text.append(" ").append(integer(v.infinite)).append(" genes with p = 0 sit on the top edge.");
    caption(page, text);
    page += "</figure>\n";
}

void p_histogram(std::string& page, const gene_points& v) {
    constexpr int bins = 20;
    std::vector<int> count(bins, 0);
    int top = 1;
    for (double p : v.p) {
        const int b = std::clamp(static_cast<int>(std::floor(p * bins)), 0, bins - 1);
        top = std::max(top, ++count[static_cast<std::size_t>(b)]);
    }
    const frame area{56, 10, 512, 240};
    const linear_scale x{0, 1, area.x, area.x + area.width};
    const linear_scale y{0, static_cast<double>(top), area.y + area.height, area.y};
    page += "<figure>\n";
    svg_writer svg(page, area.x + area.width + 12, area.y + area.height + 40, "Histogram of the p-values");
    for (int b = 0; b < bins; ++b)
        svg.rect(x(b / 20.0) + 0.5, y(count[static_cast<std::size_t>(b)]), area.width / bins - 1,
                 y(0) - y(count[static_cast<std::size_t>(b)]), colour{107, 174, 214});
    const double flat = static_cast<double>(v.p.size()) / bins;
    svg.line(area.x, y(flat), area.x + area.width, y(flat), line_colour, 1.5);
    draw_axes(svg, area, x, y, v.moderated ? "moderated p-value" : "p-value", "genes", 5);
    svg.finish();
    caption(page, "p-values of the " + integer(static_cast<long long>(v.p.size())) + " genes, from " + source_text(v) +
                      ", in 20 bins; the orange line is the height of every bar when no gene changes: bars near "
                      "it mean little changes, a peak at the left that some genes do.");
    page += "</figure>\n";
}

}  // namespace

void gene_section(std::string& page, const spot_tables& t, const merge_tables& m, const html_inputs& extra) {
    page += "<h2>Merged genes</h2>\n<div class=\"row\">\n";
    const gene_points v = points_of(t, m, extra.moderated);
    volcano_plot(page, v);
    p_histogram(page, v);
    page += "</div>\n";
}
