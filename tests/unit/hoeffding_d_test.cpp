#include "numeric/hoeffding_d.hpp"

#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

double phi(double a, double b) { return a < b ? 1.0 : (a == b ? 0.5 : 0.0); }

// Hollander & Wolfe's D in its O(n^2) form: midranks and bivariate ranks
// counted pair by pair, then the three sums.
double hoeffding_by_counting(const std::vector<double>& x, const std::vector<double>& y) {
    const int n = static_cast<int>(x.size());
    double d1 = 0.0, d2 = 0.0, d3 = 0.0;
    for (int i = 0; i < n; ++i) {
        double r = 0.5, s = 0.5, q = 1.0;  // i's own phi(x_i, x_i) = 1/2
        for (int j = 0; j < n; ++j) {
            r += phi(x[j], x[i]);
            s += phi(y[j], y[i]);
            if (j != i) q += phi(x[j], x[i]) * phi(y[j], y[i]);
        }
        d1 += (q - 1) * (q - 2);
        d2 += (r - 1) * (r - 2) * (s - 1) * (s - 2);
        d3 += (r - 2) * (s - 2) * (q - 1);
    }
    const double m = n;
    return 30.0 * ((m - 2) * (m - 3) * d1 + d2 - 2 * (m - 2) * d3) / (m * (m - 1) * (m - 2) * (m - 3) * (m - 4));
}

double d_of(const std::vector<double>& x, const std::vector<double>& y) {
    return hoeffding_d(x.data(), y.data(), static_cast<int>(x.size()));
}

}  // namespace

TEST(hoeffding_d, complete_dependence_and_ties_by_hand) {
    EXPECT_DOUBLE_EQ(d_of({1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}), 1.0);
    EXPECT_DOUBLE_EQ(d_of({1, 2, 3, 4, 5}, {50, 40, 30, 20, 10}), 1.0);
    // One x for all: R = 3.5, S = 1..6, Q = 1 + (S - 1) / 2, so D1 = 6.25,
    // D2 = 150, D3 = 30 and D = 30 (12 x 6.25 + 150 - 8 x 30) / 720.
    EXPECT_DOUBLE_EQ(d_of({1, 1, 1, 1, 1, 1}, {1, 2, 3, 4, 5, 6}), -0.625);
}

TEST(hoeffding_d, pairs_with_a_missing_value_are_left_out) {
    const double nan = NAN;
    EXPECT_DOUBLE_EQ(d_of({1, nan, 2, 3, 4, 5, 9}, {1, 7, 2, 3, 4, 5, nan}), 1.0);
    EXPECT_TRUE(std::isnan(d_of({1, 2, 3, 4}, {4, 3, 2, 1})));
    EXPECT_TRUE(std::isnan(d_of({1, 2, 3, 4, nan}, {4, 3, 2, 1, 0})));
    EXPECT_TRUE(std::isnan(d_of({}, {})));
}

TEST(hoeffding_d, agrees_with_the_quadratic_form_on_random_data_with_ties) {
    std::mt19937 gen(5);
    for (int levels : {2, 4, 30, 1000000}) {
        std::uniform_int_distribution<int> pick(0, levels - 1);
        for (int n : {5, 6, 9, 40, 400}) {
            std::vector<double> x(n), y(n), y_dependent(n);
            for (int k = 0; k < n; ++k) {
                x[k] = pick(gen);
                y[k] = pick(gen);
                y_dependent[k] = std::fmod(x[k] * x[k], 7.0) + pick(gen) % 3;  // not monotone
            }
            EXPECT_NEAR(d_of(x, y), hoeffding_by_counting(x, y), 1e-12) << levels << " " << n;
            EXPECT_NEAR(d_of(x, y_dependent), hoeffding_by_counting(x, y_dependent), 1e-12) << levels << " " << n;
            EXPECT_EQ(d_of(x, y), d_of(y, x)) << levels << " " << n;
        }
    }
}

TEST(hoeffding_d, independent_data_near_zero_a_curve_above) {
    std::mt19937 gen(9);
    std::normal_distribution<double> z;
    const int n = 20000;
    std::vector<double> a(n), m(n), curve(n);
    for (int k = 0; k < n; ++k) {
        a[k] = z(gen);
        m[k] = z(gen);
        curve[k] = a[k] * a[k] + 0.1 * z(gen);  // no correlation, strong dependence
    }
    EXPECT_LT(std::fabs(d_of(a, m)), 0.001);
    EXPECT_GT(d_of(a, curve), 0.1);
}
