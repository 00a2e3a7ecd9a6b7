#include "report/report_html.hpp"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "analysis/figures.hpp"
#include "analysis/replicate_merge.hpp"
#include "run/failure.hpp"
#include "support/small_slides.hpp"

namespace {

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

bool holds(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

// A run of the small slides up to the page: figures, merge, correlations
// (every pair 0.9321 on the raw scale, nan on the log2 scale).
struct page_run : small_slides {
    merge_tables m;
    html_figures fig;
    correlation_tables c;
    explicit page_run(int files = 2, normalisation n = normalisation::none) : small_slides(files) {
        s.normalise = n;
        count_extreme_ratios(s, t, fig);
        normalise_for_page();
        collect_html_figures(s, t, ma, fig);
        regroup_by_gene(s, t, m);
        gene_statistics(t, m, 1);
        const int nf = t.file_count;
        c.raw.ratio = dmatrix(1, nf, 1, nf);
        c.log2.ratio = dmatrix(1, nf, 1, nf);
        for (int i = 1; i <= nf; ++i)
            for (int j = 1; j <= nf; ++j) {
                c.raw.ratio[i][j] = c.log2.ratio[i][j] = i < j ? 0.9321 : 2.0;
                if (i < j) c.log2.ratio[i][j] = NAN;
            }
        t.headers[1].format.type = "GenePix Results 3";
    }
    std::string page(const html_inputs& extra = {}) const { return report_html_text(s, t, m, fig, c, extra); }
    ~page_run() { release_merge_tables(t, m); }
};

// File 2 fails KS (above its limit) and D (above 0.15); file 1 has no spatial value.
slide_quality quality_of_two() {
    slide_quality q;
    q.distance = {0, 1.5, 1.25};
    q.ks = {0, 0.01, 0.25};
    q.hoeffding = {0, 0.02, 0.5};
    q.spatial = {0, NAN, 0.125};
    q.failed = {0, 0, fails_ks | fails_d};
    q.distance_limit = 2.0;
    q.ks_limit = 0.125;
    q.spatial_limit = NAN;
    return q;
}

TEST(report_html, page_holds_every_picture_and_nothing_from_outside) {
    const page_run p;
    const slide_quality q = quality_of_two();
    html_inputs extra;
    extra.quality = &q;
    const std::string page = p.page(extra);
    // The criteria, the values set aside, two heat maps, the MA key and a plot
    // per file, the slide key and a slide per file, box plots, volcano, histogram.
    EXPECT_EQ(count_of(page, "<svg "), 1 + 1 + 2 + (1 + 2) + (1 + 2) + 1 + 1 + 1);
    EXPECT_EQ(count_of(page, "</svg>"), count_of(page, "<svg "));
    EXPECT_EQ(count_of(p.page(), "<svg "), 1 + 2 + (1 + 2) + (1 + 2) + 1 + 1 + 1);  // no criteria without quality
    EXPECT_FALSE(holds(p.page(), "Suspect slides"));
    for (const char* outside : {"http", "<script", "src=", "href=", "url("})
        EXPECT_FALSE(holds(page, outside)) << outside;
    for (char c : page) ASSERT_TRUE(c == '\n' || (c >= 32 && c < 127)) << "byte " << static_cast<int>(c);
    EXPECT_FALSE(holds(page, "a<1>"));
    EXPECT_TRUE(holds(page, "a&lt;1&gt;.gpr"));
    EXPECT_TRUE(holds(page, "A = &#189; log2(R&#183;G)"));
}

TEST(report_html, the_page_opens_with_the_suspect_slides) {
    const page_run p;
    const slide_quality q = quality_of_two();
    html_inputs extra;
    extra.quality = &q;
    const std::string page = p.page(extra);
    EXPECT_LT(page.find("<h2>Suspect slides</h2>"), page.find("<h2>The run</h2>"));
    EXPECT_TRUE(holds(page, "<strong>1 of 2 files fail at least one criterion:</strong> 2. b.gpr (KS,D).</p>"));
    // With 6 decimals as qc.txt, "-" where qc.txt has none; the failing cells marked.
    EXPECT_TRUE(holds(page,
                      "<tr><td class=\"n\">1</td><td>a&lt;1&gt;.gpr</td><td class=\"n\">1.500000</td><td "
                      "class=\"n\">0.010000</td><td class=\"n\">0.020000</td><td class=\"n\">-</td><td>-</td></tr>"));
    EXPECT_TRUE(holds(page,
                      "<tr><td class=\"n\">2</td><td>b.gpr</td><td class=\"n\">1.250000</td><td class=\"n "
                      "fail\">0.250000</td><td class=\"n fail\">0.500000</td><td class=\"n\">0.125000</td>"
                      "<td>KS,D</td></tr>"));
    EXPECT_TRUE(holds(page,
                      "<tr class=\"limit\"><td></td><td>fails above</td><td class=\"n\">2.000000</td><td "
                      "class=\"n\">0.125000</td><td class=\"n\">0.150000</td><td class=\"n\">-</td><td></td></tr>"));
    slide_quality none = q;
    none.failed = {0, 0, 0};
    extra.quality = &none;
    EXPECT_TRUE(holds(p.page(extra), "<p>No file fails a criterion.</p>"));
    EXPECT_FALSE(holds(p.page(extra), "fail\">"));
}

TEST(report_html, numbers_are_those_of_the_reports) {
    const page_run p;
    const std::string page = p.page();
    // Each pair in its tooltip and, for a few files, written in the cell and its mirror image, as cor.txt writes it.
    EXPECT_EQ(count_of(page, "<title>1. a&lt;1&gt;.gpr and 2. b.gpr: 0.932</title>"), 1);
    EXPECT_EQ(count_of(page, "<title>1. a&lt;1&gt;.gpr and 2. b.gpr: nan</title>"), 1);
    EXPECT_EQ(count_of(page, ">0.932</text>"), 2);
    EXPECT_EQ(count_of(page, ">nan</text>"), 2 + 2);  // and the grey swatch of each key
    // File 2: spot 1 has ratio 0, spot 2 failed the test against C: 2 set aside, no outlier; one ratio of 0.
    EXPECT_TRUE(holds(page,
                      "<td>b.gpr</td><td>-</td><td>635/532 nm</td><td class=\"n\">8</td><td class=\"n\">1.000000</td>"
                      "<td class=\"n\">2</td><td class=\"n\">0</td><td class=\"n\">1</td><td class=\"n\">0</td>"));
    EXPECT_TRUE(holds(page, "<td>GenePix Results 3</td><td>635/532 nm</td><td class=\"n\">8</td>"));
    EXPECT_TRUE(holds(page, "ratio approach 1 (Ratio of Medians); C = 2.0."));
    int with_p = 0;
    for (int g = 1; g <= 4; ++g) with_p += p.m.gene_p_value[g] >= 0.0;
    EXPECT_TRUE(holds(page, "Volcano plot of the " + std::to_string(with_p) +
                                " genes with a p-value, from the t-test "
                                "of merge.txt"));
}

TEST(report_html, the_factor_shown_is_the_one_used) {
    EXPECT_TRUE(holds(page_run(2, normalisation::header).page(), "<td class=\"n\">1.250000</td>"));
    EXPECT_FALSE(holds(page_run(2, normalisation::none).page(), "<td class=\"n\">1.250000</td>"));
    EXPECT_TRUE(holds(page_run(2, normalisation::median).page(), "<td class=\"n\">8</td><td class=\"n\">-</td>"));
}

TEST(report_html, ratios_of_0_and_100000_are_said_to_weigh_on_the_raw_scale_where_they_do) {
    const std::string plain = page_run(2, normalisation::none).page();
    EXPECT_TRUE(holds(plain,
                      " 0 spots hold GenePix&#39;s ratio 100000 (a zero denominator) and 1 a ratio of 0, in file 2, "
                      "flagged or not: cor.txt takes every spot but those below a --flag-cutoff"));
    page_run both(2);
    both.fig.marks = {extreme_ratios{0, 1}, extreme_ratios{2, 0}};
    EXPECT_TRUE(holds(both.page(),
                      " 1 spot holds GenePix&#39;s ratio 100000 (a zero denominator) and 2 a ratio of 0, in "
                      "files 1 and 2, flagged or not"));
    EXPECT_TRUE(holds(plain, "they enter these raw-scale correlations"));
    const std::string median = page_run(2, normalisation::median).page();
    EXPECT_TRUE(holds(median, "The normalisation leaves them out of every table: they have no M."));
    EXPECT_FALSE(holds(median, "they enter these raw-scale correlations"));
    page_run clean(2);
    clean.fig.marks = {extreme_ratios{}, extreme_ratios{}};
    EXPECT_TRUE(holds(clean.page(), "No spot these correlations take holds a ratio of 0 or 100000."));
}

TEST(report_html, the_mixed_normalisation_warning_is_on_the_page) {
    page_run p(2, normalisation::header);
    p.t.headers[2].format.family = file_family::titled;
    p.t.headers[2].normalization_method = "None";
    const header_normalisation mixed = header_normalisation_of(p.t);
    html_inputs extra;
    extra.normalisation = &mixed;
    EXPECT_TRUE(holds(p.page(extra),
                      "<p class=\"warn\"><strong>Warning:</strong> the ratios of a&lt;1&gt;.gpr are multiplied by "
                      "their header&#39;s normalisation factors, those of b.gpr (NormalizationMethod=None) are not "
                      "normalised at all;"));
    p.t.headers[2].normalization_method = "Ratio of Medians";
    const header_normalisation by_genepix = header_normalisation_of(p.t);
    extra.normalisation = &by_genepix;
    EXPECT_FALSE(holds(p.page(extra), "class=\"warn\""));
}

TEST(report_html, pictures_name_each_file_s_channels) {
    page_run p;
    std::string page = p.page();
    EXPECT_TRUE(holds(page, "1. a&lt;1&gt;.gpr (R = F635, G = F532)"));
    EXPECT_TRUE(holds(page, "red = more 635 nm than 532 nm, blue the reverse"));
    p.t.headers[2].red_wavelength = "633";
    p.t.headers[2].green_wavelength = "543";
    page = p.page();
    EXPECT_TRUE(holds(page, "2. b.gpr (R = F633, G = F543)"));
    EXPECT_TRUE(holds(page, "<div class=\"name\">2. b.gpr (633/543 nm)</div>"));
    EXPECT_TRUE(holds(page, "red = more signal in the file&#39;s red channel"));
    EXPECT_TRUE(holds(page, "<td>633/543 nm</td>"));
}

// A few files: the large pictures; the curve drawn where its A and M fall.
TEST(report_html, ma_plots_show_the_curve_before_and_after_a_loess_normalisation) {
    page_run p;
    for (file_figures& ff : p.fig.files) {
        ff.before = ff.kept;
        ff.before.fitted = ff.kept.fitted = 10;
        ff.before.curve_a = ff.kept.curve_a = {0.0, 20.0};  // A beyond the axis is drawn on the edge
        ff.before.curve_m = {-4.0, 4.0};
        ff.kept.curve_m = {0.0, 0.0};
    }
    std::string page = p.page();
    EXPECT_EQ(count_of(page, ">kept</text>"), 2);
    EXPECT_EQ(count_of(page, ">before loess</text>"), 0);
    // Panels of 384 x 240 from (52, 18): the flat curve runs along M = 0.
    EXPECT_EQ(count_of(page, "points=\"52,138 436,138\""), 2);
    p.fig.with_before = true;
    page = p.page();
    EXPECT_EQ(count_of(page, ">before loess</text>"), 2);
    EXPECT_EQ(count_of(page, ">after loess</text>"), 2);
    EXPECT_EQ(count_of(page, "points=\"52,258 436,18\""), 2);
    EXPECT_EQ(count_of(page, "points=\"488,138 872,138\""), 2);
    EXPECT_TRUE(holds(page, "The first picture shows M before the loess normalisation"));
}

// Many files: colour only, every value in its tooltip, the tables in scrolling boxes.
TEST(report_html, heat_maps_of_many_files_keep_their_values_in_tooltips) {
    const page_run p(21);
    const std::string page = p.page();
    EXPECT_EQ(count_of(page, ": 0.932</title>"), 21 * 20 / 2);
    EXPECT_EQ(count_of(page, ": nan</title>"), 21 * 20 / 2);
    EXPECT_EQ(count_of(page, ">0.932</text>"), 0);
    EXPECT_TRUE(holds(page, "each value in its cell&#39;s tooltip"));
    EXPECT_EQ(count_of(page, "<div class=\"scroll\">"), 1);
    EXPECT_EQ(count_of(page, "<svg "), 1 + 2 + (1 + 21) + (1 + 21) + 1 + 1 + 1);
}

TEST(report_html, the_volcano_reads_the_moderated_test_when_the_run_made_it) {
    const page_run p;
    moderated_genes mod;
    mod.log2_ratio = {0, 1.0, -2.0, 0.5, NAN};
    mod.result.p_value = {0.001, 0.01, 0.5, NAN};
    mod.result.adjusted_p = {0.004, 0.02, 0.6, NAN};
    html_inputs extra;
    extra.moderated = &mod;
    std::string page = p.page(extra);
    EXPECT_TRUE(holds(page, "Volcano plot of the 3 genes with a p-value, from the moderated t-test of moderated.txt"));
    EXPECT_TRUE(holds(page, "false discovery rate of 5 % (Benjamini-Hochberg adjusted p-value below 0.05): 2 genes"));
    EXPECT_TRUE(holds(page, ">moderated p-value</text>"));
    mod.result.adjusted_p = {0.2, 0.2, 0.6, NAN};
    page = p.page(extra);
    EXPECT_TRUE(holds(page, "No gene reaches a false discovery rate of 5 %, so no line is drawn."));
}

TEST(report_html, written_file_holds_the_page_byte_for_byte) {
    const page_run p;
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "spotweave-report-test.html";
    write_report_html(p.s, p.t, p.m, p.fig, p.c, html_inputs{}, path.string().c_str());
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::filesystem::remove(path);
    EXPECT_EQ(text.str(), p.page());
}

TEST(report_html, a_report_that_cannot_be_created_is_named_with_the_reason) {
    const page_run p;
    try {
        write_report_html(p.s, p.t, p.m, p.fig, p.c, html_inputs{}, "no-such-dir/report.html");
        ADD_FAILURE() << "the page was written";
    } catch (const run_failure& end) {
        EXPECT_EQ(end.status, 1);
        EXPECT_NE(end.text.find("can't write the report <no-such-dir/report.html>: No such file or directory\n"),
                  std::string::npos);
    }
}

}  // namespace
