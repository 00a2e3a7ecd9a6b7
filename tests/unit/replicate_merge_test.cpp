#include "analysis/replicate_merge.hpp"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct merge_case {
    const char* name;
    std::vector<double> values;  // positions in order, flagged ones already 0.0
    int replicates;
    int spots_used;
    int outliers;
    std::vector<int> file_unusable;
    std::vector<int> file_outliers;
    double mean, sd, median, log2_mean, log2_sd, p_value;  // NAN: not checked
};

const double unchecked = NAN;

}  // namespace

TEST(replicate_merge, merge_rules_by_example) {
    const merge_case cases[] = {
        // The pair rule: a quotient of exactly 8 passes, t = 1 with d = 1 gives p = 0.5.
        {"pair at 8", {1.0, 8.0}, 1, 2, 0, {0, 0}, {0, 0}, 4.5, 3.5, 4.5, 1.5, 1.5, 0.5},
        {"pair above 8", {1.0, 8.5}, 1, 0, 2, {0, 0}, {1, 1}, unchecked, unchecked, unchecked, unchecked,
         unchecked, -1.0},
        // 100 leaves as an outlier (q = 34.33 / 2), the pair 1, 2 passes.
        {"outlier then pair", {1.0, 2.0, 100.0}, 3, 2, 1, {0}, {1}, 1.5, 0.5, 1.5, 0.5, 0.5, 0.5},
        // 10 leaves, then the pair 0.1, 1 fails: three outliers in all.
        {"outlier then failing pair", {0.1, 1.0, 10.0}, 1, 0, 3, {0, 0, 0}, {1, 1, 1}, unchecked, unchecked,
         unchecked, unchecked, unchecked, -1.0},
        {"one two three", {1.0, 2.0, 3.0}, 3, 3, 0, {0}, {0}, 2.0, std::sqrt(2.0 / 3.0), 2.0, unchecked, unchecked,
         unchecked},
        // No spread: t is infinite and p is 0.
        {"twos", {2.0, 2.0, 2.0}, 3, 3, 0, {0}, {0}, 2.0, 0.0, 2.0, 1.0, 0.0, 0.0},
        // All exactly 1.0: t is 0 / 0, the mean is the null hypothesis itself.
        {"ones", {1.0, 1.0}, 1, 2, 0, {0, 0}, {0, 0}, 1.0, 0.0, 1.0, 0.0, 0.0, 1.0},
        {"single", {0.0, 2.0, -1.0}, 1, 1, 0, {1, 0, 1}, {0, 0, 0}, 2.0, 0.0, 2.0, 1.0, 0.0, -1.0},
        {"nothing usable", {0.0, -3.0, 0.0, 0.0}, 2, 0, 0, {2, 2}, {0, 0}, unchecked, unchecked, unchecked,
         -10000.0, unchecked, -1.0},
        // The largest value at two positions leaves once but counts in both files.
        {"duplicated largest", {1, 1, 1, 6, 1, 1, 1, 6}, 4, 7, 1, {0, 0}, {1, 1}, 12.0 / 7.0, unchecked, 1.0,
         unchecked, unchecked, unchecked},
        // Removed on two passes, it counts at both positions each time.
        {"duplicated largest twice", {1.0, 1.0, 1.0, 9.0, 9.0}, 1, 3, 2, {0, 0, 0, 0, 0}, {0, 0, 0, 2, 2}, 1.0,
         0.0, 1.0, 0.0, 0.0, 1.0},
    };
    for (const merge_case& c : cases) {
        SCOPED_TRACE(c.name);
        const int n = static_cast<int>(c.values.size());
        const int files = n / c.replicates;
        merge_work w = make_merge_work(n);
        for (int j = 1; j <= n; ++j) w.values[j] = c.values[static_cast<std::size_t>(j - 1)];
        ivector_t unusable = ivector(1, files);
        ivector_t outliers = ivector(1, files);
        for (int f = 1; f <= files; ++f) unusable[f] = outliers[f] = 0;
        const gene_result g = merge_gene(w, n, c.replicates, unusable.view(), outliers.view());
        EXPECT_EQ(g.spots_used, c.spots_used);
        EXPECT_EQ(g.outliers, c.outliers);
        for (int f = 1; f <= files; ++f) {
            EXPECT_EQ(unusable[f], c.file_unusable[static_cast<std::size_t>(f - 1)]) << "file " << f;
            EXPECT_EQ(outliers[f], c.file_outliers[static_cast<std::size_t>(f - 1)]) << "file " << f;
        }
        const std::pair<double, double> checks[] = {{g.mean, c.mean},           {g.sd, c.sd},
                                                    {g.median, c.median},       {g.log2_mean, c.log2_mean},
                                                    {g.log2_sd, c.log2_sd},     {g.p_value, c.p_value}};
        for (const auto& [actual, expected] : checks)
            if (!std::isnan(expected)) {
                // The continued fraction stops at a relative change below 3e-7.
                EXPECT_NEAR(actual, expected, 1e-7);
            }
    }
}

TEST(replicate_merge, one_two_three_statistics) {
    merge_work w = make_merge_work(3);
    w.values[1] = 3.0;
    w.values[2] = 1.0;
    w.values[3] = 2.0;
    ivector_t unusable = ivector(1, 1);
    ivector_t outliers = ivector(1, 1);
    unusable[1] = outliers[1] = 0;
    const gene_result g = merge_gene(w, 3, 3, unusable.view(), outliers.view());
    EXPECT_NEAR(g.cv, 0.4082, 1e-4);
    EXPECT_NEAR(g.log2_mean, 0.8617, 1e-4);
    EXPECT_NEAR(g.log2_sd, 0.6544, 1e-4);
    EXPECT_NEAR(g.p_value, 0.2036, 1e-4);  // t = 1.862 with d = 2
}

TEST(replicate_merge, regrouping_and_per_file_means) {
    spot_tables t;
    t.file_count = 2;
    t.replicate_count = 2;
    t.spot_count = 5;  // spot 5 belongs to no gene
    t.gene_count = 2;
    t.spot_ratio = dmatrix(1, 2, 1, 5);
    t.spot_flag = dmatrix(1, 2, 1, 5);
    const double ratios[2][5] = {{1.0, 3.0, -1.0, 4.0, 99.0}, {2.0, 0.0, 5.0, 6.0, 99.0}};
    const double flags[2][5] = {{0, -90.0, 0, 0, 0}, {0, 0, 0, -50.0, 0}};
    for (int f = 1; f <= 2; ++f)
        for (int s = 1; s <= 5; ++s) {
            t.spot_ratio[f][s] = ratios[f - 1][s - 1];
            t.spot_flag[f][s] = flags[f - 1][s - 1];
        }
    merge_tables m;
    regroup_by_gene(t, m);
    // Gene 2, position (f-1)*R + r: file 2 replicate 1 is spot 3 of file 2.
    EXPECT_EQ(m.gene_ratio[2][3], 5.0);
    EXPECT_EQ(m.gene_flag[2][4], -50.0);
    gene_statistics(t, m);
    // A flagged positive ratio counts in the per-file mean...
    EXPECT_EQ(m.file_gene_mean[1][1], 2.0);
    EXPECT_EQ(m.file_gene_mean[2][1], 2.0);
    EXPECT_EQ(m.file_gene_mean[1][2], 4.0);
    EXPECT_EQ(m.file_gene_mean[2][2], 5.5);
    // ...but not in the pooled values: gene 1 keeps 1.0 and 2.0.
    EXPECT_EQ(m.gene_spots_used[1], 2);
    EXPECT_EQ(m.gene_mean[1], 1.5);
    EXPECT_EQ(m.file_unusable[1], 2);  // spot 2 flagged, spot 3 negative
    EXPECT_EQ(m.file_unusable[2], 2);  // spot 2 zero, spot 4 flagged
    release_merge_tables(t, m);
}
