#include "analysis/normalise.hpp"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "support/result_text.hpp"

namespace {

using result_text::make_tables;
using result_text::test_run;

// Two files of six spots in one block: net intensities 200 (red) and 100
// (green) unless a test sets them, ratios 1, 2, 4, 8, 16 and 100000 times the
// file number, flags 0, and factors 10 f + approach.
test_run six_spots() {
    test_run t = make_tables(2, 6);
    for (int f = 1; f <= 2; ++f) {
        for (int a = 1; a <= 5; ++a) t.headers[static_cast<std::size_t>(f)].factor[a] = 10.0 * f + a;
        for (int s = 1; s <= 6; ++s) {
            t.spot_block[s] = 1;
            t.f632_median[f][s] = 300.0;
            t.b632_median[f][s] = 100.0;
            t.f532_median[f][s] = 200.0;
            t.b532_median[f][s] = 100.0;
            t.spot_ratio[f][s] = s == 6 ? 100000.0 : std::exp2(s - 1) * f;
            t.spot_flag[f][s] = 0.0;
            t.file_flag[f][s] = 0;
        }
    }
    return t;
}

}  // namespace

TEST(normalise, every_ratio_takes_its_own_files_factor_of_the_chosen_approach) {
    for (int approach = 1; approach <= 5; ++approach) {
        test_run t = six_spots();
        t.settings.ratio_approach = approach;
        ma_tables ma;
        normalise(t.settings, t, ma, false, false);
        for (int f = 1; f <= 2; ++f)
            for (int s = 1; s <= 5; ++s)
                EXPECT_EQ(t.spot_ratio[f][s], (10.0 * f + approach) * std::exp2(s - 1) * f) << approach << f << s;
        // GenePix's 100000 stays a ratio here, as it always has.
        EXPECT_EQ(t.spot_ratio[2][6], (20.0 + approach) * 100000.0);
        EXPECT_EQ(ma.m.row_hi(), 0) << "no M table without the analysis options";
        release_spot_tables(t);
    }
}

TEST(normalise, header_m_is_the_log_of_ratio_times_factor_and_leaves_out_what_is_no_ratio) {
    test_run t = six_spots();
    t.settings.analysis_options = true;
    t.spot_ratio[1][2] = -1.0;
    t.f632_median[1][3] = 50.0;  // no red signal: M stands under the header factor
    ma_tables ma;
    normalise(t.settings, t, ma, true, true);
    EXPECT_DOUBLE_EQ(ma.m[1][1], std::log2(11.0));
    EXPECT_TRUE(std::isnan(ma.m[1][2]));
    EXPECT_DOUBLE_EQ(ma.m[1][3], std::log2(11.0 * 4.0));
    EXPECT_TRUE(std::isnan(ma.a[1][3]));
    EXPECT_TRUE(std::isnan(ma.m[1][6])) << "100000 is GenePix's mark of a zero denominator";
    EXPECT_DOUBLE_EQ(ma.a[1][1], 0.5 * (std::log2(200.0) + std::log2(100.0)));
    EXPECT_EQ(t.spot_ratio[1][1], 11.0) << "the reports still read ratio x factor";
    release_ma_tables(ma);
    release_spot_tables(t);
}

TEST(normalise, median_takes_each_files_median_out_and_the_reports_read_two_to_the_m) {
    test_run t = six_spots();
    t.settings.analysis_options = true;
    t.settings.normalise = normalisation::median;
    t.f532_median[2][5] = 90.0;  // no green signal: missing under an intensity method
    ma_tables ma;
    normalise(t.settings, t, ma, true, false);
    // File 1: log2 ratios 0..4, median 2. File 2: 1..4 present, median 2.5.
    for (int s = 1; s <= 5; ++s) EXPECT_DOUBLE_EQ(ma.m[1][s], s - 1 - 2.0) << s;
    EXPECT_DOUBLE_EQ(ma.m[2][1], 1.0 - 2.5);
    EXPECT_TRUE(std::isnan(ma.m[2][5]));
    EXPECT_DOUBLE_EQ(t.spot_ratio[1][5], 4.0);
    EXPECT_TRUE(std::isnan(t.spot_ratio[2][5]));
    EXPECT_TRUE(std::isnan(t.spot_ratio[1][6]));
    release_ma_tables(ma);
    release_spot_tables(t);
}

TEST(normalise, scale_brings_every_files_median_absolute_m_to_their_geometric_mean) {
    test_run t = six_spots();
    t.settings.analysis_options = true;
    t.settings.normalise = normalisation::none;
    t.settings.between = between_files::scale;
    for (int s = 1; s <= 5; ++s) t.spot_ratio[2][s] = std::exp2(3.0 * (s - 1));  // M of file 2 three times file 1's
    ma_tables ma;
    normalise(t.settings, t, ma, true, false);
    // Median |M|: 2 and 6, geometric mean sqrt(12).
    const double target = std::sqrt(12.0);
    for (int s = 1; s <= 5; ++s) {
        EXPECT_NEAR(ma.m[1][s], (s - 1) * target / 2.0, 1e-12) << s;
        EXPECT_NEAR(ma.m[2][s], 3.0 * (s - 1) * target / 6.0, 1e-12) << s;
    }
    EXPECT_NEAR(t.spot_ratio[1][3], std::exp2(2.0 * target / 2.0), 1e-9) << "scaled, the reports read 2^M";
    release_ma_tables(ma);
    release_spot_tables(t);
}

TEST(normalise, a_flag_below_the_cutoff_sets_the_spot_aside_everywhere) {
    for (const bool with_ma : {false, true}) {
        test_run t = six_spots();
        t.settings.analysis_options = with_ma;
        t.settings.flag_cutoff_given = true;
        t.settings.flag_cutoff = -75;
        t.file_flag[1][1] = -100;
        t.file_flag[1][2] = -75;  // not below
        t.file_flag[1][3] = -50;
        ma_tables ma;
        normalise(t.settings, t, ma, with_ma, with_ma);
        EXPECT_TRUE(std::isnan(t.spot_ratio[1][1]));
        EXPECT_EQ(t.spot_ratio[1][2], 22.0);
        EXPECT_EQ(t.spot_ratio[1][3], 44.0);
        if (with_ma) {
            EXPECT_TRUE(std::isnan(ma.m[1][1]));
            EXPECT_TRUE(std::isnan(ma.a[1][1]));
            EXPECT_FALSE(std::isnan(ma.m[1][2]));
        }
        release_ma_tables(ma);
        release_spot_tables(t);
    }
}

TEST(normalise, files_are_told_apart_by_what_their_header_says_of_normalisation) {
    test_run t = make_tables(4, 1);
    t.headers[2].format.family = file_family::titled;
    t.headers[2].normalization_method = "None";
    t.headers[3].format.family = file_family::titled;  // no record at all
    t.headers[4].format.family = file_family::titled;
    t.headers[4].normalization_method = "Ratio-based";
    const header_normalisation h = header_normalisation_of(t);
    EXPECT_EQ(h.by_factor, std::vector<int>{1});
    EXPECT_EQ(h.not_normalised, (std::vector<int>{2, 3}));
    EXPECT_EQ(h.by_genepix, std::vector<int>{4});
    run_settings s;
    EXPECT_TRUE(mixes_normalisations(s, h));
    s.normalise = normalisation::loess;
    EXPECT_FALSE(mixes_normalisations(s, h)) << "every file is treated alike";
    release_spot_tables(t);
}

TEST(normalise, releasing_the_ratios_leaves_the_other_tables) {
    test_run t = six_spots();
    release_ratios(t);
    EXPECT_EQ(t.spot_ratio.row_hi(), 0);
    EXPECT_EQ(t.spot_flag.row_hi(), 2);
    EXPECT_EQ(t.f632_median[1][2], 300.0);
    release_spot_tables(t);
}
