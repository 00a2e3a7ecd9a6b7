#include "analysis/replicate_merge.hpp"

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/awkward_values.hpp"

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
        {"pair above 8",
         {1.0, 8.5},
         1,
         0,
         2,
         {0, 0},
         {1, 1},
         unchecked,
         unchecked,
         unchecked,
         unchecked,
         unchecked,
         -1.0},
        // 100 leaves as an outlier (q = 34.33 / 2), the pair 1, 2 passes.
        {"outlier then pair", {1.0, 2.0, 100.0}, 3, 2, 1, {0}, {1}, 1.5, 0.5, 1.5, 0.5, 0.5, 0.5},
        // 10 leaves, then the pair 0.1, 1 fails: three outliers in all.
        {"outlier then failing pair",
         {0.1, 1.0, 10.0},
         1,
         0,
         3,
         {0, 0, 0},
         {1, 1, 1},
         unchecked,
         unchecked,
         unchecked,
         unchecked,
         unchecked,
         -1.0},
        {"one two three",
         {1.0, 2.0, 3.0},
         3,
         3,
         0,
         {0},
         {0},
         2.0,
         std::sqrt(2.0 / 3.0),
         2.0,
         unchecked,
         unchecked,
         unchecked},
        // No spread: t is infinite and p is 0.
        {"twos", {2.0, 2.0, 2.0}, 3, 3, 0, {0}, {0}, 2.0, 0.0, 2.0, 1.0, 0.0, 0.0},
        // All exactly 1.0: t is 0 / 0, the mean is the null hypothesis itself.
        {"ones", {1.0, 1.0}, 1, 2, 0, {0, 0}, {0, 0}, 1.0, 0.0, 1.0, 0.0, 0.0, 1.0},
        {"single", {0.0, 2.0, -1.0}, 1, 1, 0, {1, 0, 1}, {0, 0, 0}, 2.0, 0.0, 2.0, 1.0, 0.0, -1.0},
        {"nothing usable",
         {0.0, -3.0, 0.0, 0.0},
         2,
         0,
         0,
         {2, 2},
         {0, 0},
         unchecked,
         unchecked,
         unchecked,
         -10000.0,
         unchecked,
         -1.0},
        // The largest value at two positions leaves once but counts in both files.
        {"duplicated largest",
         {1, 1, 1, 6, 1, 1, 1, 6},
         4,
         7,
         1,
         {0, 0},
         {1, 1},
         12.0 / 7.0,
         unchecked,
         1.0,
         unchecked,
         unchecked,
         unchecked},
        // Removed on two passes, it counts at both positions each time.
        {"duplicated largest twice",
         {1.0, 1.0, 1.0, 9.0, 9.0},
         1,
         3,
         2,
         {0, 0, 0, 0, 0},
         {0, 0, 0, 2, 2},
         1.0,
         0.0,
         1.0,
         0.0,
         0.0,
         1.0},
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
        const std::pair<double, double> checks[] = {{g.mean, c.mean},       {g.sd, c.sd},
                                                    {g.median, c.median},   {g.log2_mean, c.log2_mean},
                                                    {g.log2_sd, c.log2_sd}, {g.p_value, c.p_value}};
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
    run_settings s;
    regroup_by_gene(s, t, m);
    // Gene 2, position (f-1)*R + r: file 2 replicate 1 is spot 3 of file 2.
    EXPECT_EQ(m.gene_ratio[2][3], 5.0);
    EXPECT_EQ(m.gene_flag[2][4], -50.0);
    gene_statistics(t, m, 1);
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

TEST(replicate_merge, a_missing_ratio_is_set_aside_and_a_cutoff_decides_about_the_files_flags) {
    spot_tables t;
    t.file_count = 1;
    t.replicate_count = 4;
    t.spot_count = 4;
    t.gene_count = 1;
    t.spot_ratio = dmatrix(1, 1, 1, 4);
    t.spot_flag = dmatrix(1, 1, 1, 4);
    const double ratios[4] = {NAN, 2.0, 3.0, 4.0};
    const double flags[4] = {0, -50.0, -90.0, 0};  // -90: failed the test against C
    for (int s = 1; s <= 4; ++s) {
        t.spot_ratio[1][s] = ratios[s - 1];
        t.spot_flag[1][s] = flags[s - 1];
    }
    for (const bool cutoff : {false, true}) {
        run_settings s;
        s.flag_cutoff_given = cutoff;
        s.flag_cutoff = -75;
        merge_tables m;
        regroup_by_gene(s, t, m);
        EXPECT_EQ(m.gene_ratio[1][1], 0.0) << "a missing ratio is one set aside";
        EXPECT_EQ(m.gene_flag[1][2], cutoff ? 0.0 : -50.0) << "with a cutoff the cutoff alone decides about -50";
        EXPECT_EQ(m.gene_flag[1][3], -90.0) << "C sets the spot aside as always";
        gene_statistics(t, m, 1);
        EXPECT_EQ(m.gene_spots_used[1], cutoff ? 2 : 1);
        release_merge_tables(t, m);
    }
}

namespace {

// A run's tables after the statistics step, from random ratios and flags.
struct merged {
    spot_tables t;
    merge_tables m;
    ~merged() {
        release_merge_tables(t, m);
        dmatrix_free(t.spot_ratio, 1, t.file_count, 1, t.spot_count);
        dmatrix_free(t.spot_flag, 1, t.file_count, 1, t.spot_count);
    }
};

void merge_random_run(merged& r, int files, int replicates, int genes, unsigned seed, bool with_nan, int threads) {
    std::mt19937_64 random(seed);
    spot_tables& t = r.t;
    t.file_count = files;
    t.replicate_count = replicates;
    t.gene_count = genes;
    t.spot_count = genes * replicates;
    t.spot_ratio = dmatrix(1, files, 1, t.spot_count);
    t.spot_flag = dmatrix(1, files, 1, t.spot_count);
    for (int f = 1; f <= files; ++f)
        for (int s = 1; s <= t.spot_count; ++s) {
            // Mostly near 1 with the odd far value, so outliers and failing pairs occur.
            const int k = std::uniform_int_distribution<int>(0, 19)(random);
            double v = std::exp(std::normal_distribution<double>(0.0, 0.5)(random));
            if (k == 0) v = awkward_value(random);
            if (k == 1) v *= 40.0;
            if (k == 2) v = 1.0;
            if (with_nan && f == 1 && k >= 10) v = NAN;  // half the genes
            t.spot_ratio[f][s] = v;
            t.spot_flag[f][s] = k == 3 ? -50.0 : 0.0;
        }
    run_settings s;
    s.threads = threads;
    regroup_by_gene(s, t, r.m);
    generator_state() = generator_start;
    gene_statistics(t, r.m, threads);
}

void expect_same_statistics(const merged& a, const merged& b) {
    const int genes = a.t.gene_count;
    for (int g = 1; g <= genes; ++g) {
        for (const dvector_t merge_tables::*v :
             {&merge_tables::gene_mean, &merge_tables::gene_sd, &merge_tables::gene_cv, &merge_tables::gene_median,
              &merge_tables::gene_log2_mean, &merge_tables::gene_log2_sd, &merge_tables::gene_p_value})
            ASSERT_TRUE(identical_bits((a.m.*v)[g], (b.m.*v)[g])) << "gene " << g;
        for (const ivector_t merge_tables::*v :
             {&merge_tables::gene_unusable, &merge_tables::gene_spots_used, &merge_tables::gene_outliers})
            ASSERT_EQ((a.m.*v)[g], (b.m.*v)[g]) << "gene " << g;
        for (int j = 1; j <= a.t.file_count * a.t.replicate_count; ++j)
            ASSERT_TRUE(identical_bits(a.m.gene_ratio[g][j], b.m.gene_ratio[g][j])) << "gene " << g;
    }
    for (int f = 1; f <= a.t.file_count; ++f) {
        EXPECT_EQ(a.m.file_unusable[f], b.m.file_unusable[f]) << "file " << f;
        EXPECT_EQ(a.m.file_outliers[f], b.m.file_outliers[f]) << "file " << f;
        for (int g = 1; g <= genes; ++g)
            ASSERT_TRUE(identical_bits(a.m.file_gene_mean[f][g], b.m.file_gene_mean[f][g]));
    }
}

}  // namespace

TEST(replicate_merge, gene_statistics_are_the_same_at_every_thread_count) {
    struct shape {
        int files, replicates;
    };
    for (const shape sh : {shape{7, 4}, shape{3, 1}})
        for (bool with_nan : {false, true})
            for (int genes : {1, 5, 300}) {
                SCOPED_TRACE(std::to_string(sh.files) + " files, " + std::to_string(genes) + " genes" +
                             (with_nan ? ", with missing ratios" : ""));
                const unsigned seed = 21u + static_cast<unsigned>(genes);
                merged reference;
                merge_random_run(reference, sh.files, sh.replicates, genes, seed, with_nan, 1);
                int outliers = 0;
                for (int f = 1; f <= sh.files; ++f) outliers += reference.m.file_outliers[f];
                if (genes == 300) {
                    EXPECT_GT(outliers, 0) << "the data must exercise the outlier rules";
                }
                for (int threads : {2, 7}) {
                    merged other;
                    merge_random_run(other, sh.files, sh.replicates, genes, seed, with_nan, threads);
                    expect_same_statistics(reference, other);
                }
            }
}

TEST(replicate_merge, a_thread_of_its_own_generator_sorts_alike) {
    std::mt19937_64 random(3);
    for (int n : {3, 10, 257}) {
        std::vector<double> a(static_cast<std::size_t>(n));
        for (double& v : a) v = awkward_value(random);
        std::vector<double> b = a;
        random_state other{7, 11, 13};
        sort_values(a.data(), n);
        sort_values(b.data(), n, other);
        for (int i = 0; i < n; ++i) {
            // ±0 may come out in either order; every other value in the same place.
            if (a[static_cast<std::size_t>(i)] == 0.0)
                EXPECT_EQ(b[static_cast<std::size_t>(i)], 0.0);
            else
                EXPECT_TRUE(identical_bits(a[static_cast<std::size_t>(i)], b[static_cast<std::size_t>(i)]))
                    << n << " " << i;
        }
    }
}
