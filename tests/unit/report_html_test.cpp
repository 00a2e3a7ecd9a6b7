#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "run/failure.hpp"

#include "analysis/figures.hpp"
#include "analysis/replicate_merge.hpp"
#include "report/report_html.hpp"
#include "support/capture.hpp"

namespace {

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Two files of 8 spots in 2 blocks of 2 x 2, every net intensity 1000
// (A = 1/2 log2 1e6). File 1: every ratio 2 (M = 1). File 2: spot 1 ratio 0
// (no M), spot 2 flagged -90 (set aside), the rest 0.5 (M = -1).
struct two_files {
    run_settings s;
    spot_tables t;
    two_files() {
        t.file_count = 2;
        t.spot_count = 8;
        t.replicate_count = 2;
        t.gene_count = 4;
        s.ratio_approach = 1;
        s.qc_constant = 2.0;
        s.files = {"a<1>.gpr", "b.gpr"};
        create_spot_tables(t);
        for (int s = 1; s <= 8; ++s) {
            t.spot_block[s] = (s - 1) / 4 + 1;
            t.spot_column[s] = (s - 1) % 2 + 1;
            t.spot_row[s] = (s - 1) / 2 % 2 + 1;
            for (int f = 1; f <= 2; ++f) {
                t.f632_median[f][s] = t.f532_median[f][s] = 1100;
                t.b632_median[f][s] = t.b532_median[f][s] = 100;
                t.spot_flag[f][s] = 0;
                t.spot_ratio[f][s] = f == 1 ? 2.0 : 0.5;
            }
        }
        t.spot_ratio[2][1] = 0.0;
        t.spot_flag[2][2] = -90.0;
        t.headers[static_cast<std::size_t>(1)].factor[1] = 1.25;
        t.headers[static_cast<std::size_t>(2)].factor[1] = 0.5;
    }
    ~two_files() { release_spot_tables(t); }
};

TEST(html_figures, quartiles_interpolate_and_whiskers_stop_at_one_and_a_half_boxes) {
    std::vector<double> v{4, 1, 3, 2};
    const box_summary b = box_of(v);
    EXPECT_EQ(b.count, 4);
    EXPECT_DOUBLE_EQ(b.q1, 1.75);
    EXPECT_DOUBLE_EQ(b.median, 2.5);
    EXPECT_DOUBLE_EQ(b.q3, 3.25);
    std::vector<double> w{100, 1, 2, 3, 4};
    const box_summary c = box_of(w);
    EXPECT_DOUBLE_EQ(c.q1, 2);
    EXPECT_DOUBLE_EQ(c.q3, 4);
    EXPECT_DOUBLE_EQ(c.low, 1);
    EXPECT_DOUBLE_EQ(c.high, 4);  // 100 lies beyond 4 + 1.5 * 2
    std::vector<double> none;
    EXPECT_EQ(box_of(none).count, 0);
}

TEST(html_figures, density_levels_double_per_level_up_to_the_last) {
    EXPECT_EQ(density_level(1), 0);
    EXPECT_EQ(density_level(2), 1);
    EXPECT_EQ(density_level(3), 1);
    EXPECT_EQ(density_level(4), 2);
    EXPECT_EQ(density_level(1000), density_levels - 1);
}

TEST(html_figures, spots_are_kept_set_aside_or_without_m_and_binned_on_a_and_m) {
    two_files d;
    html_figures fig;
    collect_html_figures(d.t, fig, 1);
    ASSERT_EQ(fig.files.size(), 2u);
    const file_figures& one = fig.files[0];
    const file_figures& two = fig.files[1];
    EXPECT_EQ(one.kept, 8);
    EXPECT_EQ(one.aside, 0);
    EXPECT_EQ(two.kept, 6);
    EXPECT_EQ(two.aside, 1);
    EXPECT_EQ(two.without_m, 1);
    // A = 9.97 falls in column 39 of 64 over 0..16; M = 1 in bin 25 of 40 over -4..4, drawn from the top.
    EXPECT_EQ(one.ma_kept.at(39, 14), density_level(8));
    EXPECT_EQ(count_of(std::string(one.ma_aside.level.begin(), one.ma_aside.level.end()), std::string(1, -1)), 64 * 40);
    // The flagged spot of file 2 (M = -1, bin 15) is counted apart from the kept ones.
    EXPECT_EQ(two.ma_aside.at(39, 24), 0);
    EXPECT_EQ(two.ma_kept.at(39, 24), density_level(6));
    EXPECT_EQ(two.box.count, 6);
    EXPECT_DOUBLE_EQ(two.box.median, -1.0);
}

TEST(html_figures, slide_shows_blocks_with_a_gap_and_grey_where_no_spot_is_kept) {
    two_files d;
    html_figures fig;
    collect_html_figures(d.t, fig, 1);
    const slide_layout& l = fig.layout;
    ASSERT_TRUE(l.usable);
    EXPECT_EQ(l.blocks, 2);
    EXPECT_EQ(l.tile, 1);
    EXPECT_EQ(l.block_columns, 1);  // 2 x 5 cells is the portrait shape
    const level_raster& one = fig.files[0].slide;
    const level_raster& two = fig.files[1].slide;
    ASSERT_EQ(one.columns, 2);
    ASSERT_EQ(one.rows, 5);
    EXPECT_EQ(one.at(0, 0), 8);   // M = 1 of 2 on a scale of 11 levels
    EXPECT_EQ(one.at(1, 2), -1);  // the gap between the blocks
    EXPECT_EQ(one.at(1, 4), 8);
    EXPECT_EQ(two.at(0, 0), slide_missing);  // ratio 0
    EXPECT_EQ(two.at(1, 0), slide_missing);  // set aside
    EXPECT_EQ(two.at(0, 1), 3);
}

TEST(html_figures, a_block_number_below_one_means_no_slide_picture) {
    two_files d;
    d.t.spot_block[5] = 0;
    EXPECT_FALSE(plan_slide(d.t).usable);
    d.t.spot_block[5] = 1000000;  // far more grid than spots
    EXPECT_FALSE(plan_slide(d.t).usable);
}

TEST(html_figures, tiles_grow_until_the_pictures_fit_the_budget) {
    spot_tables t;
    t.file_count = 99;
    t.spot_count = 48 * 24 * 48;
    t.spot_block = ivector(1, t.spot_count);
    t.spot_column = ivector(1, t.spot_count);
    t.spot_row = ivector(1, t.spot_count);
    for (int s = 1; s <= t.spot_count; ++s) {
        t.spot_block[s] = (s - 1) / (24 * 48) + 1;
        t.spot_column[s] = (s - 1) % 24 + 1;
        t.spot_row[s] = (s - 1) / 24 % 48 + 1;
    }
    const slide_layout l = plan_slide(t);
    ASSERT_TRUE(l.usable);
    EXPECT_EQ(l.tile, 5);
    EXPECT_LE(99LL * l.blocks * l.tile_columns * l.tile_rows, 250000);
    EXPECT_GT(99LL * l.blocks * ((24 + 3) / 4) * ((48 + 3) / 4), 250000);
}

struct page_of_two : two_files {
    merge_tables m;
    html_figures fig;
    correlation_tables c;
    std::string page;
    page_of_two() {
        collect_html_figures(t, fig, 1);
        regroup_by_gene(s, t, m);
        gene_statistics(t, m, 1);
        c.raw.ratio = dmatrix(1, 2, 1, 2);
        c.log2.ratio = dmatrix(1, 2, 1, 2);
        for (int i = 1; i <= 2; ++i)
            for (int j = 1; j <= 2; ++j) c.raw.ratio[i][j] = c.log2.ratio[i][j] = 2.0;
        c.raw.ratio[1][2] = 0.98765;
        c.log2.ratio[1][2] = NAN;
        t.headers[1].format.type = "GenePix Results 3";
        page = report_html_text(s, t, m, fig, c, html_inputs{});
    }
    ~page_of_two() { release_merge_tables(t, m); }
};

TEST(report_html, page_holds_every_picture_and_nothing_from_outside) {
    page_of_two p;
    // Bar chart, two heat maps, an MA plot and a slide per file, colour key, box plots, volcano, histogram.
    EXPECT_EQ(count_of(p.page, "<svg "), 1 + 2 + 2 + 2 + 1 + 1 + 1 + 1);
    EXPECT_EQ(count_of(p.page, "</svg>"), count_of(p.page, "<svg "));
    EXPECT_EQ(count_of(p.page, "<figcaption>"), 1 + 2 + (1 + 2) + (1 + 2) + 1 + 2);
    EXPECT_EQ(p.page.find("http"), std::string::npos);
    EXPECT_EQ(p.page.find("<script"), std::string::npos);
    EXPECT_EQ(p.page.find('\r'), std::string::npos);
    EXPECT_EQ(p.page.find("a<1>"), std::string::npos);
    EXPECT_NE(p.page.find("a&lt;1&gt;.gpr"), std::string::npos);
}

TEST(report_html, numbers_are_those_of_the_reports) {
    page_of_two p;
    // Correlations with three decimals as in cor.txt, not-a-number as cor.txt prints it.
    // Once each: the diagonal and the cells below it stay empty.
    EXPECT_EQ(count_of(p.page, ">0.988</text>"), 1);
    EXPECT_EQ(count_of(p.page, ">nan</text>"), 1);
    // File 2: spot 1 has no positive ratio, spot 2 a negative flag: 2 set aside, no outlier.
    EXPECT_NE(p.page.find("<td>b.gpr</td><td>-</td><td class=\"n\">8</td><td class=\"n\">0.500000</td><td "
                          "class=\"n\">2</td><td class=\"n\">0</td>"),
              std::string::npos);
    EXPECT_NE(p.page.find("<td>GenePix Results 3</td><td class=\"n\">8</td><td class=\"n\">1.250000</td>"),
              std::string::npos);
    EXPECT_NE(p.page.find("ratio approach 1 (Ratio of Medians); C = 2.0."), std::string::npos);
    int with_p = 0;
    for (int g = 1; g <= 4; ++g) with_p += p.m.gene_p_value[g] >= 0.0;
    EXPECT_NE(p.page.find("Volcano plot of the " + std::to_string(with_p) + " genes with a p-value"),
              std::string::npos);
}

TEST(report_html, written_file_holds_the_page_byte_for_byte) {
    page_of_two p;
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "spotweave-report-test.html";
    write_report_html(p.s, p.t, p.m, p.fig, p.c, html_inputs{}, path.string().c_str());
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::filesystem::remove(path);
    html_inputs none;
    EXPECT_EQ(text.str(), report_html_text(p.s, p.t, p.m, p.fig, p.c, none));
}

TEST(report_html, a_report_that_cannot_be_created_is_named_with_the_reason) {
    page_of_two p;
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
