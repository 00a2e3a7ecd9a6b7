#include "numeric/correlation.hpp"
#include "numeric/correlation_sweeps.hpp"
#include "numeric/lanes.hpp"

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "support/awkward_values.hpp"

#include "support/series_of.hpp"

TEST(correlation, perfect_and_inverse_lines) {
    dvector_t x = one_based({1, 2, 3});
    dvector_t up = one_based({2, 4, 6});
    dvector_t down = one_based({6, 4, 2});
    EXPECT_DOUBLE_EQ(pearson_r(x.view(), up.view(), 3), 1.0);
    EXPECT_DOUBLE_EQ(pearson_r(x.view(), down.view(), 3), -1.0);
}

TEST(correlation, no_spread_or_no_values_is_not_a_number) {
    dvector_t x = one_based({1, 2, 3});
    dvector_t flat = one_based({5, 5, 5});
    EXPECT_TRUE(std::isnan(pearson_r(x.view(), flat.view(), 3)));
    EXPECT_TRUE(std::isnan(pearson_r(x.view(), x.view(), 0)));
    dvector_t zeros = one_based({0, 0, 0});
    EXPECT_TRUE(std::isnan(log2_pearson_r(zeros.view(), x.view(), 3)));
    // One positive pair only.
    dvector_t one = one_based({0, 0, 4});
    EXPECT_TRUE(std::isnan(log2_pearson_r(one.view(), x.view(), 3)));
}

TEST(correlation, log2_uses_only_positive_pairs_and_leaves_inputs) {
    dvector_t x = one_based({1, 2, 4, -1});
    dvector_t y = one_based({2, 4, 8, 3});
    EXPECT_DOUBLE_EQ(log2_pearson_r(x.view(), y.view(), 4), 1.0);
    EXPECT_EQ(x[4], -1.0);
    EXPECT_EQ(y[4], 3.0);
    // A not-a-number excludes its position too.
    dvector_t xn = one_based({1, 2, 4, NAN});
    dvector_t yn = one_based({2, 4, 8, 100});
    EXPECT_DOUBLE_EQ(log2_pearson_r(xn.view(), yn.view(), 4), 1.0);
}

TEST(correlation, works_on_matrix_rows_without_copying) {
    dmatrix_t m = dmatrix(1, 2, 1, 4);
    const double a[] = {1, 3, 2, 5};
    const double b[] = {2, 5, 3, 9};
    for (int s = 1; s <= 4; ++s) {
        m[1][s] = a[s - 1];
        m[2][s] = b[s - 1];
    }
    // Worked by hand: means 2.75 and 4.75; sxy 15.75, sxx 8.75, syy 28.75.
    EXPECT_EQ(pearson_r(m[1], m[2], 4), 15.75 / std::sqrt(8.75 * 28.75));
    // A positive factor leaves r unchanged up to rounding; a negative one flips its sign.
    dmatrix_t scaled = dmatrix(1, 1, 1, 4);
    for (int s = 1; s <= 4; ++s) scaled[1][s] = -0.37 * m[2][s];
    EXPECT_NEAR(pearson_r(m[1], scaled[1], 4), -pearson_r(m[1], m[2], 4), 1e-15);
}

namespace {
bool same_bits(double a, double b) { return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0; }

// One value of a row: zeros, negatives, constant runs and the odd
// not-a-number, as real rows have.
double row_value(std::mt19937_64& random, int f) {
    std::uniform_real_distribution<double> value(-200.0, 5000.0);
    const int k = std::uniform_int_distribution<int>(0, 9)(random);
    if (k == 0) return 0.0;
    if (k == 1) return -value(random);
    if (k == 2) return 7.5;
    if (k == 3 && f == 2) return NAN;
    return value(random);
}
}  // namespace

TEST(correlation, pair_sweeps_equal_the_plain_routines_bit_for_bit) {
    for (bool wide : {true, false}) {
        SCOPED_TRACE(wide ? "wide lanes where available" : "128-bit lanes");
        allow_wide_lanes(wide);
        std::mt19937_64 random(5);
        for (int nf : {1, 2, 5, 7, 9}) {
            for (int n : {0, 1, 3, 257}) {
                dmatrix_t rows = dmatrix(1, nf, 1, n);
                for (int f = 1; f <= nf; ++f)
                    for (int s = 1; s <= n; ++s) rows[f][s] = row_value(random, f);
                if (nf >= 3)
                    for (int s = 1; s <= n; ++s) rows[3][s] = 4.0;  // no spread
                dmatrix_t raw = dmatrix(1, nf, 1, nf);
                dmatrix_t logs = dmatrix(1, nf, 1, nf);
                dmatrix_t scratch = dmatrix(1, nf, 1, n);
                pearson_r_pairs(rows, nf, n, raw, scratch, 1);
                log2_pearson_r_pairs(rows, nf, n, logs, scratch, 1);
                for (int i = 1; i < nf; ++i)
                    for (int j = i + 1; j <= nf; ++j) {
                        EXPECT_TRUE(same_bits(raw[i][j], pearson_r(rows[i], rows[j], n)))
                            << nf << " " << n << " " << i << j;
                        EXPECT_TRUE(same_bits(logs[i][j], log2_pearson_r(rows[i], rows[j], n)))
                            << nf << " " << n << " " << i << j;
                    }
            }
        }
    }
    allow_wide_lanes(true);
}

TEST(correlation, complete_pairs_leave_out_missing_values_pair_by_pair) {
    // The hand-worked case: the pair (3, 5) is left out, r = 1 on the rest.
    const double x[] = {1, 2, NAN, 3}, y[] = {2, 4, 5, 6};
    EXPECT_EQ(pearson_r_complete(series<const double>(x, 1, 4), series<const double>(y, 1, 4), 4), 1.0);
    for (bool wide : {true, false}) {
        allow_wide_lanes(wide);
        std::mt19937_64 random(9);
        for (int nf : {2, 6}) {
            const int n = 301;
            dmatrix_t rows = dmatrix(1, nf, 1, n);
            for (int f = 1; f <= nf; ++f)
                for (int s = 1; s <= n; ++s) rows[f][s] = (s * f) % 5 == 0 ? NAN : row_value(random, f) - 1.0;
            dmatrix_t r = dmatrix(1, nf, 1, nf), scratch = dmatrix(1, nf, 1, n);
            for (int threads : {1, 3}) {
                pearson_r_complete_pairs(rows, nf, n, r, scratch, threads);
                for (int i = 1; i < nf; ++i)
                    for (int j = i + 1; j <= nf; ++j)
                        EXPECT_TRUE(same_bits(r[i][j], pearson_r_complete(rows[i], rows[j], n))) << i << j;
            }
            // Without a missing value it is the plain coefficient, to rounding.
            for (int s = 1; s <= n; ++s) rows[1][s] = rows[2][s] = s % 7;
            pearson_r_complete_pairs(rows, nf, n, r, scratch, 1);
            EXPECT_NEAR(r[1][2], 1.0, 1e-15);
        }
    }
    allow_wide_lanes(true);
}

TEST(correlation, pair_coefficients_are_the_same_bits_at_every_thread_count) {
    std::mt19937_64 random(11);
    for (int nf : {2, 6, 23, 41}) {
        const int n = 301;
        dmatrix_t rows = dmatrix(1, nf, 1, n);
        for (int f = 1; f <= nf; ++f)
            for (int s = 1; s <= n; ++s) rows[f][s] = f == 3 && s % 7 == 0 ? NAN : awkward_value(random);
        std::vector<dmatrix_t> raw, logs;
        for (int threads : {1, 2, 7}) {
            dmatrix_t r = dmatrix(1, nf, 1, nf), l = dmatrix(1, nf, 1, nf), scratch = dmatrix(1, nf, 1, n);
            for (int i = 1; i <= nf; ++i)
                for (int j = 1; j <= nf; ++j) r[i][j] = l[i][j] = 2.0;  // cells that no pair may touch stay
            pearson_r_pairs(rows, nf, n, r, scratch, threads);
            log2_pearson_r_pairs(rows, nf, n, l, scratch, threads);
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
