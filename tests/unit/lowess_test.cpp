#include "numeric/lowess.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "numeric/lanes.hpp"

namespace {

std::vector<double> lowess_of(const std::vector<double>& x, const std::vector<double>& y, double span, int iterations,
                              double delta) {
    std::vector<double> fit(x.size(), -1.0);
    lowess(x, y, span, iterations, delta, fit);
    return fit;
}

bool same_bits(const std::vector<double>& p, const std::vector<double>& q) {
    return p.size() == q.size() && std::memcmp(p.data(), q.data(), p.size() * sizeof(double)) == 0;
}

// LOWESS one local fit at a time, written straight from the description: the
// plain routine the four-lane version must equal bit for bit.
std::vector<double> plain_lowess(const std::vector<double>& x, const std::vector<double>& y, double span,
                                 int iterations, double delta) {
    const int n = static_cast<int>(x.size());
    std::vector<double> fit(x.size()), robustness(x.size(), 1.0), w(x.size());
    if (n == 1) return y;
    const int ns = lowess_neighbours(span, n);
    const double range = x[n - 1] - x[0];
    auto local = [&](int i, int left, int right) {
        const double xs = x[i];
        const double h = std::max(xs - x[left], x[right] - xs);
        double total = 0.0;
        int j = left;
        for (; j < n; ++j) {
            w[j] = 0.0;
            const double r = std::fabs(x[j] - xs);
            if (r <= 0.999 * h) {
                const double q = r / h, c = 1.0 - q * q * q;
                w[j] = r <= 0.001 * h ? 1.0 : c * c * c;
                w[j] *= robustness[j];
                total += w[j];
            } else if (x[j] > xs) {
                break;
            }
        }
        if (total <= 0.0) return y[i];
        for (int k = left; k < j; ++k) w[k] /= total;
        if (h > 0.0) {
            double c = 0.0, spread = 0.0;
            for (int k = left; k < j; ++k) c += w[k] * x[k];
            for (int k = left; k < j; ++k) spread += w[k] * ((x[k] - c) * (x[k] - c));
            if (std::sqrt(spread) > 0.001 * range)
                for (int k = left; k < j; ++k) w[k] *= (xs - c) / spread * (x[k] - c) + 1.0;
        }
        double sum = 0.0;
        for (int k = left; k < j; ++k) sum += w[k] * y[k];
        return sum;
    };
    for (int step = 1; step <= iterations; ++step) {
        int left = 0, right = ns - 1, last = -1, i = 0;
        for (;;) {
            while (right < n - 1 && x[i] - x[left] > x[right + 1] - x[i]) ++left, ++right;
            fit[i] = local(i, left, right);
            for (int k = last + 1; last >= 0 && k < i; ++k) {
                const double alpha = (x[k] - x[last]) / (x[i] - x[last]);
                fit[k] = alpha * fit[i] + (1.0 - alpha) * fit[last];
            }
            last = i;
            for (i = last + 1; i < n && x[i] <= x[last] + delta; ++i)
                if (x[i] == x[last]) fit[i] = fit[last], last = i;
            if (last >= n - 1) break;
            i = std::max(last + 1, i - 1);
        }
        if (step == iterations) break;
        std::vector<double> r(x.size());
        double mean = 0.0;
        for (int k = 0; k < n; ++k) mean += r[k] = std::fabs(y[k] - fit[k]);
        mean /= n;
        std::vector<double> sorted = r;
        std::sort(sorted.begin(), sorted.end());
        const double cut = 6.0 * (n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0);
        if (cut < 1e-7 * mean) break;
        for (int k = 0; k < n; ++k) {
            const double u = r[k] / cut, c = 1.0 - u * u;
            robustness[k] = r[k] <= 0.001 * cut ? 1.0 : r[k] <= 0.999 * cut ? c * c : 0.0;
        }
    }
    return fit;
}

TEST(lowess, neighbourhood_size_is_floor_of_span_times_count_within_two_and_all) {
    EXPECT_EQ(lowess_neighbours(0.3, 1000), 300);
    EXPECT_EQ(lowess_neighbours(0.3, 1152), 345);
    // 0.7 * 90 is 62.99999999999999 in double: still 63.
    EXPECT_EQ(lowess_neighbours(0.7, 90), 63);
    EXPECT_EQ(lowess_neighbours((63 - 2e-7) / 90, 90), 62);
    EXPECT_EQ(lowess_neighbours(0.01, 50), 2);
    EXPECT_EQ(lowess_neighbours(2.0, 10), 10);
}

TEST(lowess, straight_line_is_fitted_exactly_by_the_local_lines) {
    // Any positive weights reproduce a line. (Not so after robustness steps:
    // the residuals are then rounding errors and the bisquare weights follow
    // them, in R's lowess as here.)
    std::vector<double> x, y;
    for (int i = 0; i < 60; ++i) {
        x.push_back(i / 3);  // ties in threes
        y.push_back(2.0 * (i / 3) + 1.0);
    }
    for (double span : {0.1, 0.3, 1.0})
        for (double delta : {0.0, 0.2, 3.0}) {
            const auto fit = lowess_of(x, y, span, 1, delta);
            for (std::size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(fit[i], y[i], 1e-9) << span << ' ' << i;
        }
}

TEST(lowess, robustness_steps_take_out_an_outlier) {
    std::vector<double> x, y;
    for (int i = 0; i < 30; ++i) {
        x.push_back(i);
        y.push_back(0.5 * i + (i % 2 == 0 ? 0.1 : -0.1));
    }
    y[15] = 40.0;
    const auto plain = lowess_of(x, y, 0.5, 1, 0.0);
    const auto robust = lowess_of(x, y, 0.5, 4, 0.0);
    // The first fit is pulled up around the outlier by about 4; after the
    // robustness steps it has weight 0 and the fit follows the line.
    EXPECT_GT(plain[15] - 7.5, 3.0);
    EXPECT_GT(plain[12] - 6.0, 2.0);
    for (int i = 0; i < 30; ++i) EXPECT_NEAR(robust[i], 0.5 * i, 0.05) << i;
}

TEST(lowess, stops_iterating_when_most_residuals_are_zero) {
    // y = 0 but one point: the fits of neighbourhoods without it are exactly
    // 0, so the median residual is 0 and bisquare weights cut at 0 would drop
    // every point with a residual; the first fit is kept instead.
    std::vector<double> x, y(40, 0.0);
    for (int i = 0; i < 40; ++i) x.push_back(i);
    y[20] = 5.0;
    const auto once = lowess_of(x, y, 0.1, 1, 0.0);
    EXPECT_GT(once[20], 0.5);
    EXPECT_GT(once[19], 0.0);
    EXPECT_TRUE(same_bits(lowess_of(x, y, 0.1, 4, 0.0), once));
}

TEST(lowess, points_within_delta_are_interpolated_between_exact_fits) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 0.3);
    std::vector<double> x, y;
    for (int i = 0; i < 200; ++i) {
        x.push_back(i * 0.05);
        y.push_back(std::sin(i * 0.05) + noise(random));
    }
    // delta of the whole range: the line is computed at the ends only.
    const auto exact = lowess_of(x, y, 0.3, 1, 0.0);
    const auto coarse = lowess_of(x, y, 0.3, 1, 100.0);
    EXPECT_EQ(coarse.front(), exact.front());
    EXPECT_EQ(coarse.back(), exact.back());
    for (std::size_t i = 1; i + 1 < x.size(); ++i) {
        const double alpha = (x[i] - x.front()) / (x.back() - x.front());
        EXPECT_DOUBLE_EQ(coarse[i], alpha * exact.back() + (1.0 - alpha) * exact.front()) << i;
    }
    // A delta of 1 computes the line at most 1 apart: at the first point, then
    // at the last point within 1 of it (x = 1.0, the 21st), ...
    const auto steps = lowess_of(x, y, 0.3, 1, 1.0);
    EXPECT_EQ(steps[20], exact[20]);
    EXPECT_NE(steps[10], exact[10]);
}

TEST(lowess, tied_x_share_one_fit_and_few_points_keep_their_values) {
    const std::vector<double> x = {1, 2, 2, 2, 3, 4, 4, 5, 6, 7, 8, 8, 9, 10};
    const std::vector<double> y = {3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5, 8, 9, 7};
    const auto fit = lowess_of(x, y, 0.5, 4, 0.0);
    EXPECT_EQ(fit[1], fit[2]);
    EXPECT_EQ(fit[2], fit[3]);
    EXPECT_EQ(fit[5], fit[6]);
    EXPECT_EQ(fit[10], fit[11]);
    // Neighbourhoods of two points: the far one has weight 0, so each point is its own fit.
    EXPECT_EQ(lowess_of({1.0, 2.0, 4.0}, {5.0, -1.0, 2.0}, 0.3, 4, 0.0), (std::vector<double>{5.0, -1.0, 2.0}));
    EXPECT_EQ(lowess_of({3.0}, {7.5}, 0.3, 4, 0.0), (std::vector<double>{7.5}));
    std::vector<double> none;
    lowess(none, none, 0.3, 4, 0.0, none);
    // All x equal: every fit is the mean.
    EXPECT_EQ(lowess_of({2.0, 2.0, 2.0, 2.0}, {1.0, 2.0, 3.0, 6.0}, 0.5, 1, 0.0),
              (std::vector<double>{3.0, 3.0, 3.0, 3.0}));
}

void expect_plain_bits() {
    std::mt19937 random(11);
    std::normal_distribution<double> normal(0.0, 1.0);
    struct shape {
        int n;
        double span;
        int iterations;
        double delta_share;
    };
    // The last one holds more tricube weights than are kept from pass to pass.
    const shape shapes[] = {{2, 0.3, 4, 0.01},    {3, 1.0, 2, 0.0},       {7, 0.5, 4, 0.0},
                            {50, 0.3, 4, 0.01},   {333, 0.1, 4, 0.0},     {1000, 2.0 / 3, 4, 0.01},
                            {4000, 0.3, 4, 0.01}, {10000, 0.05, 3, 0.03}, {120000, 1.0, 2, 0.01}};
    for (const shape& s : shapes) {
        std::vector<double> x, y;
        for (int i = 0; i < s.n; ++i) {
            x.push_back(std::round((8.0 + 2.0 * normal(random)) * 50.0) / 50.0);
            y.push_back(0.3 * std::sin(x.back()) + 0.2 * normal(random) + (i % 37 == 0 ? 4.0 : 0.0));
        }
        std::sort(x.begin(), x.end());
        const double delta = s.delta_share * (x.back() - x.front());
        EXPECT_TRUE(
            same_bits(lowess_of(x, y, s.span, s.iterations, delta), plain_lowess(x, y, s.span, s.iterations, delta)))
            << s.n << " points, span " << s.span;
    }
    // Points a hair from others and just inside a neighbourhood's edge, where
    // the weights' cut-offs at 1/1000 and 0.999 of the farthest distance apply.
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> x, y;
    for (int b = 0; b < 40; b += 2) {
        x.insert(x.end(), {double(b), b + 0.0005 * unit(random), b + 1 - 0.0008 * unit(random)});
        for (int k = 0; k < 3; ++k) y.push_back(normal(random));
    }
    std::sort(x.begin(), x.end());
    for (double span : {0.1, 0.2, 0.3})
        EXPECT_TRUE(same_bits(lowess_of(x, y, span, 4, 0.0), plain_lowess(x, y, span, 4, 0.0))) << span;
}

// Both widths of lanes (the wide one only where the processor has AVX2).
TEST(lowess, lane_fits_equal_the_plain_routine_bit_for_bit) {
    for (bool wide : {false, true}) {
        allow_wide_lanes(wide);
        SCOPED_TRACE(wide ? "256-bit lanes" : "128-bit lanes");
        expect_plain_bits();
    }
    allow_wide_lanes(true);
}

}  // namespace
