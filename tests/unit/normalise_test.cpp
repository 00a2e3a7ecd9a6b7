#include "analysis/normalise.hpp"

#include <gtest/gtest.h>

namespace {

// Two files of three spots, with a different factor for every file and approach.
spot_tables two_files() {
    spot_tables t;
    t.file_count = 2;
    t.spot_count = 3;
    t.spot_ratio = dmatrix(1, 2, 1, 3);
    t.spot_flag = dmatrix(1, 2, 1, 3);
    t.headers.assign(3, file_header{});
    for (int f = 1; f <= 2; ++f) {
        for (int a = 0; a <= 5; ++a) t.headers[static_cast<std::size_t>(f)].factor[a] = 10.0 * f + a;
        for (int s = 1; s <= 3; ++s) {
            t.spot_ratio[f][s] = 0.5 * s;
            t.spot_flag[f][s] = -1.0 * s;
        }
    }
    return t;
}

}  // namespace

TEST(normalise, every_ratio_takes_its_own_files_factor_of_the_chosen_approach) {
    for (int approach = 1; approach <= 5; ++approach) {
        spot_tables t = two_files();
        run_settings settings;
        settings.ratio_approach = approach;
        normalise_ratios(settings, t);
        for (int f = 1; f <= 2; ++f)
            for (int s = 1; s <= 3; ++s)
                EXPECT_EQ(t.spot_ratio[f][s], (10.0 * f + approach) * (0.5 * s)) << approach << " " << f << " " << s;
        // The other tables are left as they were.
        EXPECT_EQ(t.spot_flag[2][3], -3.0);
        EXPECT_EQ(t.headers[static_cast<std::size_t>(2)].factor[approach], 20.0 + approach);
    }
}

TEST(normalise, releasing_the_ratios_leaves_the_other_tables) {
    spot_tables t = two_files();
    release_ratios(t);
    EXPECT_EQ(t.spot_ratio.row_hi(), 0);
    EXPECT_EQ(t.spot_flag.row_hi(), 2);
    EXPECT_EQ(t.spot_flag[1][2], -2.0);
}
