#include "analysis/figures.hpp"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "input/spot_loader.hpp"
#include "support/small_slides.hpp"

namespace {

int count_of(const level_raster& r, int level) {
    int n = 0;
    for (int v : r.level) n += v == level;
    return n;
}

TEST(figures, quartiles_interpolate_and_whiskers_stop_at_one_and_a_half_boxes) {
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

TEST(figures, spots_are_kept_set_aside_or_without_m_and_binned_on_a_and_m) {
    small_slides d;
    d.normalise_for_page();
    html_figures fig;
    collect_html_figures(d.s, d.t, d.ma, fig);
    ASSERT_EQ(fig.files.size(), 2u);
    EXPECT_EQ(fig.grid.columns, 128);  // a few files: the fine grid
    EXPECT_FALSE(fig.with_before);
    const file_figures& one = fig.files[0];
    const file_figures& two = fig.files[1];
    EXPECT_EQ(one.kept.spots, 8);
    EXPECT_EQ(one.aside.spots, 0);
    EXPECT_EQ(two.kept.spots, 6);
    EXPECT_EQ(two.aside.spots, 1);
    EXPECT_EQ(two.without_m, 1);
    EXPECT_EQ(two.aside_from_medians, 0);
    // A = 9.97 falls in column 79 of 128 over 0..16; M = 1 in cell 50 of 80
    // over -4..4, counted from the top as row 29; M = -1 in row 49.
    EXPECT_EQ(one.kept.bins.at(79, 29), 3);  // 8 spots: level floor(log2 8)
    EXPECT_EQ(count_of(one.kept.bins, -1), 128 * 80 - 1);
    EXPECT_EQ(count_of(one.aside.bins, -1), 128 * 80);
    EXPECT_EQ(two.aside.bins.at(79, 49), 0);
    EXPECT_EQ(two.kept.bins.at(79, 49), 2);  // 6 spots
    EXPECT_EQ(two.box.count, 6);
    EXPECT_DOUBLE_EQ(two.box.median, -1.0);
    EXPECT_EQ(one.kept.fitted, 0);  // too few spots for a curve
}

// As merge.txt decides: every negative flag, or with a cutoff the cutoff and
// the test against C alone. Spots below the cutoff have no M; the picture
// places them by their medians.
TEST(figures, the_flag_cutoff_decides_what_is_set_aside) {
    small_slides d;
    d.t.file_flag[1][3] = d.t.file_flag[1][4] = -50;
    d.t.spot_flag[1][3] = d.t.spot_flag[1][4] = -50;
    d.t.f632_median[1][4] = 2100;  // R = 2000, G = 1000
    {
        d.normalise_for_page();
        html_figures fig;
        collect_html_figures(d.s, d.t, d.ma, fig);
        EXPECT_EQ(fig.files[0].aside.spots, 2);
        EXPECT_EQ(fig.files[0].aside_from_medians, 0);
        EXPECT_EQ(fig.files[1].aside.spots, 1);
        release_ma_tables(d.ma);
    }
    d.s.flag_cutoff_given = true;
    d.s.flag_cutoff = -25;
    d.normalise_for_page();
    html_figures fig;
    collect_html_figures(d.s, d.t, d.ma, fig);
    const file_figures& one = fig.files[0];
    EXPECT_EQ(one.kept.spots, 6);
    EXPECT_EQ(one.aside.spots, 2);
    EXPECT_EQ(one.aside_from_medians, 2);
    // Spot 4 at M = log2(2000 / 1000) = 1, A = 1/2 log2(2e6) = 10.47: column 83, row 29.
    EXPECT_EQ(one.aside.bins.at(83, 29), 0);
    // The spot of file 2 that failed the test against C stays aside under the cutoff.
    EXPECT_EQ(fig.files[1].aside.spots, 1);
    d.s.flag_cutoff = -75;  // -50 is above it: kept
    EXPECT_FALSE(set_aside_by_flag(d.s, d.t, 1, 3));
    EXPECT_TRUE(set_aside_by_flag(d.s, d.t, 2, 2));
}

// Where cor.txt takes them: flagged spots too, not those below the flag cutoff.
TEST(figures, ratios_of_0_and_100000_are_counted_where_the_correlations_take_them) {
    small_slides d;
    d.t.spot_ratio[1][5] = 100000;
    d.t.spot_ratio[1][6] = 100000;
    d.t.spot_ratio[1][7] = 0;
    d.t.spot_flag[1][6] = d.t.file_flag[1][6] = -100;
    d.t.spot_ratio[2][2] = 100000;  // failed the test against C
    html_figures fig;
    count_extreme_ratios(d.s, d.t, fig);
    ASSERT_EQ(fig.marks.size(), 2u);
    EXPECT_EQ(fig.marks[0].hundred_thousand, 2);
    EXPECT_EQ(fig.marks[0].zero, 1);
    EXPECT_EQ(fig.marks[1].hundred_thousand, 1);
    EXPECT_EQ(fig.marks[1].zero, 1);  // spot 1
    d.s.flag_cutoff_given = true;
    d.s.flag_cutoff = -50;
    count_extreme_ratios(d.s, d.t, fig);
    EXPECT_EQ(fig.marks[0].hundred_thousand, 1);  // spot 6 is below the cutoff
    EXPECT_EQ(fig.marks[1].hundred_thousand, 1);
}

TEST(figures, slide_shows_blocks_with_a_gap_and_grey_where_no_spot_is_kept) {
    small_slides d;
    d.normalise_for_page();
    html_figures fig;
    collect_html_figures(d.s, d.t, d.ma, fig);
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

TEST(figures, a_block_number_below_one_means_no_slide_picture) {
    small_slides d;
    d.t.spot_block[5] = 0;
    EXPECT_FALSE(plan_slide(d.t).usable);
    d.t.spot_block[5] = 1000000;  // far more grid than spots
    EXPECT_FALSE(plan_slide(d.t).usable);
}

TEST(figures, tiles_grow_until_the_pictures_fit_the_budget) {
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
    EXPECT_EQ(l.tile, 6);
    EXPECT_LE(99LL * l.blocks * l.tile_columns * l.tile_rows, 160000);
    EXPECT_GT(99LL * l.blocks * ((24 + 4) / 5) * ((48 + 4) / 5), 160000);
    EXPECT_EQ(ma_grid_for(20).columns, 128);
    EXPECT_EQ(ma_grid_for(21).columns, 64);
}

// One file of 24 x 24 spots in 4 blocks whose M rises with A (M = 0.5 (A - 10),
// R and G from 2^7 to 2^13): the loess normalisation takes the trend out.
struct tilted_file {
    run_settings s;
    spot_tables t;
    ma_tables ma;
    explicit tilted_file(normalisation n) {
        t.file_count = 1;
        t.spot_count = 576;
        t.replicate_count = 1;
        t.gene_count = 576;
        s.files = {"tilted.gpr"};
        s.normalise = n;
        create_spot_tables(t);
        for (int spot = 1; spot <= t.spot_count; ++spot) {
            t.spot_block[spot] = (spot - 1) / 144 + 1;
            t.spot_column[spot] = (spot - 1) % 12 + 1;
            t.spot_row[spot] = (spot - 1) / 12 % 12 + 1;
            const double a = 7.0 + 6.0 * ((spot * 37) % 576) / 575.0;
            const double m = 0.5 * (a - 10.0) + ((spot % 7) - 3) * 0.05;
            const double red = std::exp2(a + m / 2), green = std::exp2(a - m / 2);
            t.f632_median[1][spot] = red + 50;
            t.f532_median[1][spot] = green + 50;
            t.b632_median[1][spot] = t.b532_median[1][spot] = 50;
            t.spot_ratio[1][spot] = red / green;
            t.spot_flag[1][spot] = 0;
            t.file_flag[1][spot] = 0;
        }
        normalise(s, t, ma, true, true);
    }
    ~tilted_file() {
        release_ma_tables(ma);
        release_spot_tables(t);
    }
};

double largest_gap(const std::vector<double>& a, const std::vector<double>& m, double slope) {
    double gap = 0;
    for (std::size_t i = 0; i < a.size(); ++i) gap = std::max(gap, std::fabs(m[i] - slope * (a[i] - 10.0)));
    return gap;
}

TEST(figures, loess_files_get_the_curve_before_and_a_flat_one_after) {
    tilted_file before_only(normalisation::none);
    html_figures plain;
    collect_html_figures(before_only.s, before_only.t, before_only.ma, plain);
    EXPECT_FALSE(plain.with_before);
    EXPECT_EQ(plain.files[0].before.spots, 0);
    ASSERT_EQ(plain.files[0].kept.fitted, 576);
    EXPECT_LT(largest_gap(plain.files[0].kept.curve_a, plain.files[0].kept.curve_m, 0.5), 0.05);

    tilted_file loess(normalisation::loess);
    html_figures fig;
    collect_html_figures(loess.s, loess.t, loess.ma, fig);
    ASSERT_TRUE(fig.with_before);
    const file_figures& f = fig.files[0];
    EXPECT_EQ(f.before.spots, 576);
    EXPECT_EQ(f.kept.spots, 576);
    ASSERT_GT(f.before.curve_a.size(), 20u);
    EXPECT_LT(largest_gap(f.before.curve_a, f.before.curve_m, 0.5), 0.05);  // the trend
    EXPECT_LT(largest_gap(f.kept.curve_a, f.kept.curve_m, 0.0), 0.05);      // taken out
}

}  // namespace
