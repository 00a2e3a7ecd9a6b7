#include "numeric/ks_statistic.hpp"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

// D from the definition: both empirical distribution functions evaluated at
// every value of either sample, each by counting.
double ks_by_counting(const std::vector<double>& x, const std::vector<double>& y) {
    std::vector<double> at = x;
    at.insert(at.end(), y.begin(), y.end());
    double largest = 0.0;
    for (double t : at) {
        double fx = 0.0, fy = 0.0;
        for (double v : x) fx += v <= t;
        for (double v : y) fy += v <= t;
        largest = std::max(largest, std::fabs(fx / x.size() - fy / y.size()));
    }
    return largest;
}

double ks_of(const std::vector<double>& x, const std::vector<double>& pooled) {
    std::vector<double> sorted = pooled;
    std::sort(sorted.begin(), sorted.end());
    return ks_statistic(x.data(), static_cast<int>(x.size()), sorted.data(), static_cast<int>(sorted.size()));
}

}  // namespace

TEST(ks_statistic, small_cases_by_hand) {
    EXPECT_EQ(ks_of({1, 2}, {1, 2, 3, 4}), 0.5);
    EXPECT_EQ(ks_of({1, 2, 3}, {3, 1, 2}), 0.0);
    EXPECT_EQ(ks_of({1, 2}, {5, 6, 7}), 1.0);
    EXPECT_EQ(ks_of({8, 9}, {5, 6, 7}), 1.0);
    // Ties across the samples: F_x jumps by 2/3 at 1, F_y by 1/4; at 1 the gap is 2/3 - 1/4.
    EXPECT_DOUBLE_EQ(ks_of({1, 1, 2}, {1, 2, 2, 2}), 2.0 / 3.0 - 1.0 / 4.0);
    // The largest gap just below a value of x: below x's first value (3/4 at 3)
    // and between two of them (1/4 against 3/4 at 3).
    EXPECT_EQ(ks_of({5}, {1, 2, 3, 5}), 0.75);
    EXPECT_EQ(ks_of({0, 10, 10, 10}, {1, 2, 3, 10}), 0.5);
    // Not-a-number in x is left out; an empty side gives not-a-number.
    const double x[] = {NAN, 1, 2, NAN};
    const double pooled[] = {1, 2, 3, 4};
    EXPECT_EQ(ks_statistic(x, 4, pooled, 4), 0.5);
    const double none[] = {NAN};
    EXPECT_TRUE(std::isnan(ks_statistic(none, 1, pooled, 4)));
    EXPECT_TRUE(std::isnan(ks_statistic(x, 4, pooled, 0)));
}

TEST(ks_statistic, pooled_sorted_leaves_out_missing_values) {
    const double a[] = {3, NAN, 1};
    const double b[] = {NAN, 2, 2};
    const double* rows[] = {a, b};
    EXPECT_EQ(pooled_sorted(rows, 2, 3), (std::vector<double>{1, 2, 2, 3}));
    EXPECT_TRUE(pooled_sorted(rows, 0, 3).empty());
}

TEST(ks_statistic, agrees_with_counting_on_random_samples_with_ties) {
    std::mt19937 gen(11);
    for (int levels : {3, 20, 100000}) {
        std::uniform_int_distribution<int> pick(0, levels - 1);
        for (int trial = 0; trial < 20; ++trial) {
            std::uniform_int_distribution<int> size(1, 60);
            std::vector<double> x(size(gen)), other(size(gen));
            for (double& v : x) v = pick(gen) * 0.5;
            for (double& v : other) v = pick(gen) * 0.5 + (trial % 3) * 0.5;  // some shifted
            // As the quality report uses it: x among the pooled values, and also apart.
            std::vector<double> pooled = other;
            pooled.insert(pooled.end(), x.begin(), x.end());
            EXPECT_NEAR(ks_of(x, pooled), ks_by_counting(x, pooled), 1e-15) << levels << " " << trial;
            EXPECT_NEAR(ks_of(x, other), ks_by_counting(x, other), 1e-15) << levels << " " << trial;
        }
    }
}
