// The top of the page: the suspect slides, then the run and its files.
#include <algorithm>
#include <cmath>

#include "plot/axes.hpp"
#include "plot/scales.hpp"
#include "report/html_page.hpp"

namespace {

// At most this many failing files named in the sentence above the table.
constexpr std::size_t named_suspects = 12;

void statistic_cell(std::string& page, double value, bool failed) {
    page += failed ? "<td class=\"n fail\">" : "<td class=\"n\">";
    page += std::isnan(value) ? "-" : fixed(value, 6);
    page += "</td>";
}

void suspect_sentence(std::string& page, const run_settings& s, const slide_quality& q) {
    std::vector<std::string> failing;
    for (int f = 1; f <= s.file_count(); ++f) {
        const unsigned failed = q.failed[static_cast<std::size_t>(f)];
        if (failed != 0) failing.push_back(numbered_label(s, f) + " (" + failed_criteria(failed) + ")");
    }
    if (failing.empty()) {
        page += "<p>No file fails a criterion.</p>\n";
        return;
    }
    const std::size_t total = failing.size();
    if (total > named_suspects) {
        failing.resize(named_suspects);
        failing.push_back(integer(static_cast<long long>(total - named_suspects)) + " more");
    }
    page += "<p><strong>" + integer(static_cast<long long>(total)) + " of " + integer(s.file_count()) +
            (s.file_count() == 1 ? " file fails" : " files fail") + " at least one criterion:</strong> " +
            escaped(listed(failing)) + ".</p>\n";
}

// The factor a file's ratios were multiplied by: its header's, 1 under
// --normalise none, none under a normalisation of M.
std::string factor_used(const run_settings& s, const file_header& header) {
    if (s.normalise == normalisation::none) return fixed(1.0, 6);
    if (s.normalise != normalisation::header) return "-";
    return fixed(header.factor[s.ratio_approach], 6);
}

void files_table(std::string& page, const run_settings& s, const spot_tables& t, const merge_tables& m,
                 const html_figures& fig) {
    if (t.file_count > many_files) page += "<div class=\"scroll\">\n";
    page +=
        "<table class=\"files\">\n<tr><th>#</th><th>File</th><th>Version</th><th>Channels</th><th>Spots</th>"
        "<th>Factor used</th><th>Values set aside</th><th>Outliers</th><th>Ratio 0</th><th>Ratio 100000</th>"
        "</tr>\n";
    for (int f = 1; f <= t.file_count; ++f) {
        const file_header& header = t.headers[static_cast<std::size_t>(f)];
        const std::string& version = header.format.type;
        const extreme_ratios e = static_cast<std::size_t>(f) <= fig.marks.size()
                                     ? fig.marks[static_cast<std::size_t>(f - 1)]
                                     : extreme_ratios{};
        page += "<tr><td class=\"n\">" + integer(f) + "</td><td>" + escaped(s.file_label(f)) + "</td><td>" +
                (version.empty() ? "-" : escaped(version)) + "</td><td>" + escaped(header.red_wavelength) + "/" +
                escaped(header.green_wavelength) + " nm</td><td class=\"n\">" + integer(t.spot_count) +
                "</td><td class=\"n\">" + factor_used(s, header) + "</td><td class=\"n\">" +
                integer(static_cast<long long>(m.file_unusable[f]) + m.file_outliers[f]) + "</td><td class=\"n\">" +
                integer(m.file_outliers[f]) + "</td><td class=\"n\">" + integer(e.zero) + "</td><td class=\"n\">" +
                integer(e.hundred_thousand) + "</td></tr>\n";
    }
    page += "</table>\n";
    if (t.file_count > many_files) page += "</div>\n";
}

void set_aside_chart(std::string& page, const spot_tables& t, const merge_tables& m) {
    const int nf = t.file_count;
    const double slot = slot_width(nf);
    const frame area{56, 34, slot * nf, 200};
    long long top = 1;
    for (int f = 1; f <= nf; ++f) top = std::max(top, static_cast<long long>(m.file_unusable[f]) + m.file_outliers[f]);
    const linear_scale x{0, static_cast<double>(nf), area.x, area.x + area.width};
    const linear_scale y{0, static_cast<double>(top), area.y + area.height, area.y};
    const colour unusable{107, 174, 214}, outliers{230, 85, 13};
    page += "<figure>\n";
    svg_writer svg(page, std::max(area.x + area.width + 20, 420.0), area.y + area.height + 40,
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
    // The short entry first, so the long one needs no measuring.
    swatch_key(svg, area.x + 4, 8, 10, 10, {outliers}, {});
    svg.text(area.x + 18, 17, "outliers", anchor::start, 10);
    swatch_key(svg, area.x + 76, 8, 10, 10, {unusable}, {});
    svg.text(area.x + 90, 17, "unusable (not positive, flagged, or failing the test against C)", anchor::start, 10);
    svg.finish();
    caption(page,
            "Values set aside per file, as in merge.txt: bar height = values not used in the pooled "
            "ratios, the orange top part the outliers among them; a file standing out is suspect.");
    page += "</figure>\n";
}

// One criterion: a bar per file, the files above the limit in red, the limit as a line.
void criterion_panel(svg_writer& svg, const frame& area, const std::vector<double>& value, double limit,
                     unsigned criterion, const slide_quality& q, const char* title) {
    const int nf = static_cast<int>(value.size()) - 1;
    double top = std::isfinite(limit) ? limit : 0.0;
    for (int f = 1; f <= nf; ++f)
        if (std::isfinite(value[static_cast<std::size_t>(f)])) top = std::max(top, value[static_cast<std::size_t>(f)]);
    if (!(top > 0.0)) top = 1.0;
    const linear_scale y{0, top * 1.05, area.y + area.height, area.y};
    const double slot = area.width / std::max(nf, 1);
    for (int f = 1; f <= nf; ++f) {
        const double v = value[static_cast<std::size_t>(f)];
        if (!std::isfinite(v)) continue;
        const bool failed = (q.failed[static_cast<std::size_t>(f)] & criterion) != 0;
        svg.rect(area.x + (f - 1) * slot + slot * 0.1, y(v), slot * 0.8, y(0) - y(v),
                 failed ? colour{203, 24, 29} : colour{158, 202, 225});
    }
    if (std::isfinite(limit) && limit <= top * 1.05)
        svg.line(area.x, y(limit), area.x + area.width, y(limit), colour{230, 85, 13}, 1.5);
    draw_axes(svg, area, linear_scale{0, 0, area.x, area.x}, y, "", "", 3);
    file_labels(svg, nf, area.x, slot, area.y + area.height + 12);
    svg.text(area.x + area.width / 2, area.y - 5, title, anchor::middle, 11);
}

void criterion_charts(std::string& page, const slide_quality& q) {
    const double width = 250, height = 110, gap = 62;
    page += "<figure>\n";
    svg_writer svg(page, 4 * (width + gap), height + 44, "The criteria per file");
    criterion_panel(svg, frame{gap, 18, width, height}, q.distance, q.distance_limit, fails_distance, q, "distance");
    criterion_panel(svg, frame{gap + (width + gap), 18, width, height}, q.ks, q.ks_limit, fails_ks, q, "KS");
    criterion_panel(svg, frame{gap + 2 * (width + gap), 18, width, height}, q.hoeffding, hoeffding_limit, fails_d, q,
                    "Hoeffding D");
    criterion_panel(svg, frame{gap + 3 * (width + gap), 18, width, height}, q.spatial, q.spatial_limit, fails_spatial,
                    q, "spatial");
    svg.finish();
    caption(page,
            "Each criterion per file (the files in their order, numbered as in the table): the orange line is "
            "the limit, the files above it are drawn in red.");
    page += "</figure>\n";
}

}  // namespace

void suspect_section(std::string& page, const run_settings& s, const slide_quality& q) {
    page += "<h2>Suspect slides</h2>\n";
    suspect_sentence(page, s, q);
    // Many files: the tables scroll in a box of their own rather than fill screens.
    if (s.file_count() > many_files) page += "<div class=\"scroll\">\n";
    page +=
        "<table class=\"qc\">\n<tr><th>#</th><th>File</th><th>distance</th><th>KS</th><th>Hoeffding D</th>"
        "<th>spatial</th><th>Criteria failed</th></tr>\n<tr class=\"limit\"><td></td><td>fails above</td>";
    for (double limit : {q.distance_limit, q.ks_limit, hoeffding_limit, q.spatial_limit})
        statistic_cell(page, limit, false);
    page += "<td></td></tr>\n";
    for (int f = 1; f <= s.file_count(); ++f) {
        const std::size_t k = static_cast<std::size_t>(f);
        const unsigned failed = q.failed[k];
        page += "<tr><td class=\"n\">" + integer(f) + "</td><td>" + escaped(s.file_label(f)) + "</td>";
        statistic_cell(page, q.distance[k], (failed & fails_distance) != 0);
        statistic_cell(page, q.ks[k], (failed & fails_ks) != 0);
        statistic_cell(page, q.hoeffding[k], (failed & fails_d) != 0);
        statistic_cell(page, q.spatial[k], (failed & fails_spatial) != 0);
        page += "<td>" + failed_criteria(failed) + "</td></tr>\n";
    }
    page += "</table>\n";
    if (s.file_count() > many_files) page += "</div>\n";
    criterion_charts(page, q);
    page +=
        "<p class=\"note\">Each statistic is computed on every spot of the file with an M and an A (as "
        "normalised.txt holds them), the same at any thread count; qc.txt beside this page holds the same table. "
        "<b>distance</b>: the sum over the other files of the mean absolute difference of M on the spots both "
        "hold, large for a file unlike the rest. <b>KS</b>: the Kolmogorov-Smirnov distance between the file's M "
        "and every file's M pooled, large for a distribution of another shape or place. <b>Hoeffding D</b>: the "
        "dependence of M on A, large for an intensity-dependent dye bias. <b>spatial</b>: the share of the power "
        "of the ranked M, laid out by X and Y on the slide, at low frequencies, large for a gradient or a patch. "
        "A file fails distance, KS or spatial when its value exceeds the upper hinge plus 1.5 times the distance "
        "between the hinges over all files (the outlier rule of Bioconductor's arrayQualityMetrics), and D when "
        "it exceeds 0.15; failing cells are marked.</p>\n";
}

void run_section(std::string& page, const run_settings& s, const spot_tables& t, const merge_tables& m,
                 const html_figures& fig, const html_inputs& extra) {
    const int k = s.ratio_approach;
    page += "<h2>The run</h2>\n<p>" + integer(t.file_count) + " files of " + integer(t.spot_count) + " spots, " +
            integer(t.gene_count) + " genes of " + integer(t.replicate_count) + " replicated spots; ratio approach " +
            integer(k) + " (" + (k >= 1 && k <= 5 ? ratio_approach_titles[k] : "unknown") +
            "); C = " + short_fixed(s.qc_constant) + ".</p>\n";
    page += std::string("<p>Normalisation: ") + normalisation_titles[static_cast<int>(s.normalise)] +
            " within files, " + (s.between == between_files::scale ? "scaled" : "none") + " between files" +
            (s.flag_cutoff_given ? "; spots flagged below " + integer(s.flag_cutoff) + " set aside" : "") + ".</p>\n";
    if (extra.normalisation != nullptr && mixes_normalisations(s, *extra.normalisation))
        page += "<p class=\"warn\"><strong>Warning:</strong> " +
                escaped(mixed_normalisation_text(s, *extra.normalisation)) + ".</p>\n";
    files_table(page, s, t, m, fig);
    set_aside_chart(page, t, m);
}
