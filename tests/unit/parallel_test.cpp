// The threaded steps against the sequential path: each piece at 1, 2 and 7
// threads on random data (zeros of both signs, negatives, repeats, the odd
// not-a-number) must give the same bits, and the pool must run every item
// once and report the first failure in item order.
#include "run/workers.hpp"

#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "numeric/correlation.hpp"
#include "run/failure.hpp"
#include "analysis/replicate_merge.hpp"
#include "support/capture.hpp"

namespace {

const int thread_counts[] = {1, 2, 7};

// Sets the thread count for one test and puts the default back.
class threads_scope {
public:
    explicit threads_scope(int n) { set_thread_count(n); }
    ~threads_scope() { set_thread_count(0); }
};

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

double awkward_value(std::mt19937_64& random) {
    std::uniform_real_distribution<double> value(-50.0, 400.0);
    switch (std::uniform_int_distribution<int>(0, 11)(random)) {
        case 0: return 0.0;
        case 1: return -0.0;
        case 2: return 2.5;  // repeats
        case 3: return -value(random);
        case 4: return 1e-300;
        default: return value(random);
    }
}

}  // namespace

TEST(parallel_for, runs_every_item_once_on_at_most_the_threads_asked) {
    for (int workers : {1, 2, 7}) {
        for (int count : {0, 1, 5, 1000}) {
            std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
            std::atomic<int> highest_worker{0};
            parallel_for(count, workers, [&](int item, int worker) {
                ++runs[static_cast<std::size_t>(item)];
                int seen = highest_worker.load();
                while (worker > seen && !highest_worker.compare_exchange_weak(seen, worker)) {
                }
            });
            for (int item = 0; item < count; ++item)
                EXPECT_EQ(runs[static_cast<std::size_t>(item)].load(), 1) << workers << " " << count << " " << item;
            EXPECT_LT(highest_worker.load(), std::max(workers, 1));
        }
    }
}

TEST(parallel_for, the_lowest_failing_item_is_the_one_reported) {
    for (int workers : {1, 2, 7}) {
        try {
            parallel_for(200, workers, [&](int item, int) {
                if (item == 37 || item == 150) throw std::runtime_error(std::to_string(item));
            });
            ADD_FAILURE() << "no failure came back";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "37") << workers;
        }
    }
}

TEST(parallel_for, a_numeric_error_on_a_thread_prints_one_banner) {
    for (int workers : {1, 2, 7}) {
        int status = -1;
        const std::string err = capture_stderr([&] {
            try {
                parallel_for(64, workers, [&](int item, int) {
                    if (item % 9 == 4) numeric_fatal(item == 4 ? "first" : "later");
                });
            } catch (const run_end& end) {
                status = end.status;
            }
        });
        EXPECT_EQ(status, 1) << workers;
        EXPECT_EQ(err, "Numerical Recipes run-time error...\nfirst\n...now exiting to system...\n") << workers;
    }
}

TEST(parallel_for, ranges_cover_each_position_once) {
    for (int threads : thread_counts) {
        threads_scope scope(threads);
        for (int count : {1, 3, 64, 1001}) {
            const int per = range_size(count, 64);
            EXPECT_GE(per, 1);
            EXPECT_LE(per, 64);
            std::vector<std::atomic<int>> seen(static_cast<std::size_t>(count) + 1);
            parallel_ranges(count, per, [&](int first, int last, int) {
                EXPECT_LE(last - first + 1, per);
                for (int i = first; i <= last; ++i) ++seen[static_cast<std::size_t>(i)];
            });
            for (int i = 1; i <= count; ++i)
                EXPECT_EQ(seen[static_cast<std::size_t>(i)].load(), 1) << count << " " << i;
        }
    }
}

TEST(parallel_steps, pair_coefficients_are_the_same_bits_at_every_thread_count) {
    std::mt19937_64 random(11);
    for (int nf : {2, 6, 23, 41}) {
        const int n = 301;
        dmatrix_t rows = dmatrix(1, nf, 1, n);
        for (int f = 1; f <= nf; ++f)
            for (int s = 1; s <= n; ++s) rows[f][s] = f == 3 && s % 7 == 0 ? NAN : awkward_value(random);
        std::vector<dmatrix_t> raw, logs;
        for (int threads : thread_counts) {
            threads_scope scope(threads);
            dmatrix_t r = dmatrix(1, nf, 1, nf), l = dmatrix(1, nf, 1, nf), scratch = dmatrix(1, nf, 1, n);
            for (int i = 1; i <= nf; ++i)
                for (int j = 1; j <= nf; ++j) r[i][j] = l[i][j] = 2.0;  // cells that no pair may touch stay
            pearson_r_pairs(rows, nf, n, r, scratch);
            log2_pearson_r_pairs(rows, nf, n, l, scratch);
            raw.push_back(std::move(r));
            logs.push_back(std::move(l));
        }
        for (std::size_t k = 1; k < raw.size(); ++k)
            for (int i = 1; i <= nf; ++i)
                for (int j = 1; j <= nf; ++j) {
                    EXPECT_TRUE(same_bits(raw[k][i][j], raw[0][i][j])) << nf << " files, " << i << "-" << j;
                    EXPECT_TRUE(same_bits(logs[k][i][j], logs[0][i][j])) << nf << " files, " << i << "-" << j;
                    if (j <= i) {
                        EXPECT_EQ(raw[k][i][j], 2.0);
                    }
                }
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

void merge_random_run(merged& r, int files, int replicates, int genes, unsigned seed, bool with_nan) {
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
    regroup_by_gene(t, r.m);
    generator_state() = generator_start;
    gene_statistics(t, r.m);
}

void expect_same_statistics(const merged& a, const merged& b) {
    const int genes = a.t.gene_count;
    for (int g = 1; g <= genes; ++g) {
        for (const dvector_t merge_tables::*v : {&merge_tables::gene_mean, &merge_tables::gene_sd,
                                                 &merge_tables::gene_cv, &merge_tables::gene_median,
                                                 &merge_tables::gene_log2_mean, &merge_tables::gene_log2_sd,
                                                 &merge_tables::gene_p_value})
            ASSERT_TRUE(same_bits((a.m.*v)[g], (b.m.*v)[g])) << "gene " << g;
        for (const ivector_t merge_tables::*v :
             {&merge_tables::gene_unusable, &merge_tables::gene_spots_used, &merge_tables::gene_outliers})
            ASSERT_EQ((a.m.*v)[g], (b.m.*v)[g]) << "gene " << g;
        for (int j = 1; j <= a.t.file_count * a.t.replicate_count; ++j)
            ASSERT_TRUE(same_bits(a.m.gene_ratio[g][j], b.m.gene_ratio[g][j])) << "gene " << g;
    }
    for (int f = 1; f <= a.t.file_count; ++f) {
        EXPECT_EQ(a.m.file_unusable[f], b.m.file_unusable[f]) << "file " << f;
        EXPECT_EQ(a.m.file_outliers[f], b.m.file_outliers[f]) << "file " << f;
        for (int g = 1; g <= genes; ++g) ASSERT_TRUE(same_bits(a.m.file_gene_mean[f][g], b.m.file_gene_mean[f][g]));
    }
}

}  // namespace

TEST(parallel_steps, gene_statistics_are_the_same_at_every_thread_count) {
    struct shape {
        int files, replicates;
    };
    for (const shape sh : {shape{7, 4}, shape{3, 1}})
        for (bool with_nan : {false, true})
            for (int genes : {1, 5, 300}) {
                SCOPED_TRACE(std::to_string(sh.files) + " files, " + std::to_string(genes) + " genes" +
                             (with_nan ? ", with not-a-number" : ""));
                const unsigned seed = 21u + static_cast<unsigned>(genes);
                merged reference;
                {
                    threads_scope scope(1);
                    merge_random_run(reference, sh.files, sh.replicates, genes, seed, with_nan);
                }
                int outliers = 0;
                for (int f = 1; f <= sh.files; ++f) outliers += reference.m.file_outliers[f];
                if (genes == 300) {
                    EXPECT_GT(outliers, 0) << "the data must exercise the outlier rules";
                }
                for (int threads : {2, 7}) {
                    threads_scope scope(threads);
                    merged other;
                    merge_random_run(other, sh.files, sh.replicates, genes, seed, with_nan);
                    expect_same_statistics(reference, other);
                }
            }
}

TEST(parallel_steps, a_thread_of_its_own_generator_sorts_alike) {
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
                EXPECT_TRUE(same_bits(a[static_cast<std::size_t>(i)], b[static_cast<std::size_t>(i)])) << n << " " << i;
        }
    }
}
