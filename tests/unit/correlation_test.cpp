#include "numeric/correlation.hpp"

#include <cmath>

#include <gtest/gtest.h>

namespace {
dvector_t one_based(std::initializer_list<double> values) {
    dvector_t v = dvector(1, static_cast<int>(values.size()));
    int i = 1;
    for (double x : values) v[i++] = x;
    return v;
}
}  // namespace

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
