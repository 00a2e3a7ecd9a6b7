#include "numeric/array_normalisation.hpp"

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <span>
#include <vector>

#include <gtest/gtest.h>

#include "numeric/lowess.hpp"

namespace {

constexpr double missing = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

std::vector<double> trend_of(within_array_method method, const std::vector<double>& m, const std::vector<double>& a,
                             const std::vector<int>& block) {
    std::vector<double> trend(m.size(), -1.0);
    within_array_trend(method, m, a, block, trend);
    return trend;
}

bool same_bits(double p, double q) { return std::memcmp(&p, &q, sizeof p) == 0; }

// A slide-like file: integer intensities (ties in A), a curve in M along A,
// an offset per block, a few spots missing.
struct slide {
    std::vector<double> m, a;
    std::vector<int> block;
};

slide generated_slide(int blocks, int per_block, unsigned seed) {
    std::mt19937 random(seed);
    std::lognormal_distribution<double> intensity(7.0, 1.5);
    std::normal_distribution<double> noise(0.0, 0.2);
    slide s;
    for (int b = 1; b <= blocks; ++b)
        for (int k = 0; k < per_block; ++k) {
            const double r = std::floor(intensity(random)) + 1.0, g = std::floor(intensity(random)) + 1.0;
            const double a = (std::log2(r) + std::log2(g)) / 2.0;
            const bool present = (k * 7 + b) % 23 != 0;
            s.m.push_back(present ? 0.3 * std::sin(a / 2.0) + 0.1 * b + noise(random) : missing);
            s.a.push_back(present ? a : missing);
            s.block.push_back(b);
        }
    return s;
}

TEST(within_array, median_is_taken_over_the_present_log_ratios) {
    const std::vector<double> a(5, 10.0);
    const std::vector<int> block(5, 1);
    std::vector<double> m = {1.0, 3.0, missing, 10.0};
    std::vector<double> trend = trend_of(within_array_method::median, m, {missing, 1, 1, 1}, {1, 1, 1, 1});
    EXPECT_EQ(trend[0], 3.0);  // A is not looked at
    EXPECT_EQ(trend[1], 3.0);
    EXPECT_TRUE(std::isnan(trend[2]));
    EXPECT_EQ(trend[3], 3.0);
    subtract_trend(m, trend);
    EXPECT_EQ(m[0], -2.0);
    EXPECT_EQ(m[1], 0.0);
    EXPECT_TRUE(std::isnan(m[2]));
    EXPECT_EQ(m[3], 7.0);
    // Even count: mean of the middle two; infinite values take their place in the order.
    EXPECT_EQ(trend_of(within_array_method::median, {10.0, 1.0, 2.0, 3.0}, a, block)[0], 2.5);
    EXPECT_EQ(trend_of(within_array_method::median, {1.0, infinity, -infinity, 5.0, 7.0}, a, block)[0], 5.0);
    EXPECT_TRUE(std::isnan(trend_of(within_array_method::median, {missing, missing}, a, block)[0]));
}

TEST(within_array, loess_leaves_out_and_keeps_missing_spots) {
    slide s = generated_slide(1, 300, 3);
    s.m[5] = missing;  // A present
    s.a[6] = missing;  // M present
    s.m[7] = infinity;
    const auto trend = trend_of(within_array_method::loess, s.m, s.a, s.block);
    for (std::size_t k = 0; k < s.m.size(); ++k)
        EXPECT_EQ(std::isnan(trend[k]), !std::isfinite(s.m[k]) || !std::isfinite(s.a[k])) << k;
    subtract_trend(s.m, trend);
    EXPECT_TRUE(std::isnan(s.m[5]) && std::isnan(s.m[6]) && std::isnan(s.m[7]));
    // The fit is lowess of M on A over the present spots only.
    std::vector<double> x, y, fit;
    const slide again = generated_slide(1, 300, 3);
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k < again.m.size(); ++k)
        if (k != 5 && k != 6 && k != 7 && !std::isnan(again.m[k])) order.push_back(k);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t p, std::size_t q) { return again.a[p] < again.a[q]; });
    for (std::size_t k : order) {
        x.push_back(again.a[k]);
        y.push_back(again.m[k]);
    }
    fit.resize(x.size());
    lowess(x, y, 0.3, 4, 0.01 * (x.back() - x.front()), fit);
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_TRUE(same_bits(trend[order[i]], fit[i])) << order[i];
}

TEST(within_array, loess_takes_out_a_trend_in_a) {
    std::vector<double> m, a;
    for (int k = 0; k < 500; ++k) {
        a.push_back(6.0 + k * 0.02);
        m.push_back(0.25 * a.back() - 2.0);
    }
    const auto trend = trend_of(within_array_method::loess, m, a, std::vector<int>(500, 1));
    subtract_trend(m, trend);
    for (double v : m) EXPECT_NEAR(v, 0.0, 1e-9);
}

TEST(within_array, print_tip_loess_fits_each_block_alone_wherever_its_spots_lie) {
    const slide s = generated_slide(4, 120, 5);
    const auto whole = trend_of(within_array_method::print_tip_loess, s.m, s.a, s.block);
    // Each block on its own gives the same trend, bit for bit.
    for (int b = 1; b <= 4; ++b) {
        std::vector<double> m, a;
        for (std::size_t k = 0; k < s.m.size(); ++k)
            if (s.block[k] == b) {
                m.push_back(s.m[k]);
                a.push_back(s.a[k]);
            }
        const auto alone = trend_of(within_array_method::loess, m, a, std::vector<int>(m.size(), 0));
        std::size_t i = 0;
        for (std::size_t k = 0; k < s.m.size(); ++k) {
            if (s.block[k] == b) {
                EXPECT_TRUE(same_bits(whole[k], alone[i++])) << b << ' ' << k;
            }
        }
    }
    // Spots dealt out in another order (blocks interleaved) keep their trend.
    std::vector<std::size_t> order(s.m.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = (k % 4) * 120 + k / 4;
    std::vector<double> m, a;
    std::vector<int> block;
    for (std::size_t k : order) {
        m.push_back(s.m[k]);
        a.push_back(s.a[k]);
        block.push_back(s.block[k]);
    }
    const auto dealt = trend_of(within_array_method::print_tip_loess, m, a, block);
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_TRUE(same_bits(dealt[i], whole[order[i]])) << i;
    // The block offsets are gone after print-tip loess, not after loess over the file.
    std::vector<double> tip = s.m, file = s.m;
    subtract_trend(tip, whole);
    subtract_trend(file, trend_of(within_array_method::loess, s.m, s.a, s.block));
    double tip_gap = 0.0, file_gap = 0.0;
    for (std::size_t k = 0; k < s.m.size(); ++k)
        if (!std::isnan(s.m[k])) {
            tip_gap += (s.block[k] == 4 ? 1.0 : s.block[k] == 1 ? -1.0 : 0.0) * tip[k];
            file_gap += (s.block[k] == 4 ? 1.0 : s.block[k] == 1 ? -1.0 : 0.0) * file[k];
        }
    EXPECT_LT(std::fabs(tip_gap) / 110.0, 0.05);
    EXPECT_GT(file_gap / 110.0, 0.25);
}

TEST(within_array, print_tip_blocks_with_few_spots) {
    // Block 1 has no spot present, block 2 one, block 3 two, block 4 three:
    // each present value is its own fit, so it becomes 0.
    std::vector<double> m = {missing, missing, 0.7, missing, -1.2, 2.5, 0.1, -0.4, 3.0};
    std::vector<double> a = {8.0, missing, 9.0, 7.0, 10.0, 12.0, 6.0, 11.5, 13.0};
    const std::vector<int> block = {1, 1, 2, 2, 3, 3, 4, 4, 4};
    const auto trend = trend_of(within_array_method::print_tip_loess, m, a, block);
    subtract_trend(m, trend);
    EXPECT_TRUE(std::isnan(m[0]) && std::isnan(m[1]) && std::isnan(m[3]));
    for (std::size_t k : {2, 4, 5, 6, 7, 8}) EXPECT_EQ(m[k], 0.0) << k;
}

TEST(between_arrays, scale_brings_every_median_absolute_value_to_their_geometric_mean) {
    EXPECT_EQ(median_abs_value(std::vector<double>{-4.0, 1.0, missing, 2.0}), 2.0);
    EXPECT_EQ(median_abs_value(std::vector<double>{-4.0, 1.0, -3.0, 2.0}), 2.5);
    EXPECT_TRUE(std::isnan(median_abs_value(std::vector<double>{missing})));
    EXPECT_EQ(geometric_mean(std::vector<double>{1.0, 4.0}), 2.0);
    EXPECT_NEAR(geometric_mean(std::vector<double>{0.5, 2.0, 8.0, 0.25}), 1.189207115002721, 1e-15);
    EXPECT_EQ(geometric_mean(std::vector<double>{3.0, 0.0}), 0.0);
    EXPECT_TRUE(std::isnan(geometric_mean(std::vector<double>{3.0, missing})));

    std::vector<double> f1 = {1.0, -1.0, missing}, f2 = {4.0, -4.0}, f3 = {0.5, -3.0, 1.0, 2.0};
    std::vector<std::span<double>> files = {f1, f2, f3};
    scale_between_arrays(files);
    // Medians 1, 4 and 1.5: target cube root of 6.
    const double target = std::cbrt(6.0);
    EXPECT_NEAR(f1[0], target, 1e-14);
    EXPECT_NEAR(f1[1], -target, 1e-14);
    EXPECT_TRUE(std::isnan(f1[2]));
    EXPECT_NEAR(f2[1], -target, 1e-14);
    EXPECT_NEAR(median_abs_value(f3), target, 1e-14);
    EXPECT_NEAR(f3[1], -3.0 * target / 1.5, 1e-14);
}

TEST(between_arrays, scale_spoils_every_file_when_one_has_no_spread_as_limma_does) {
    std::vector<double> f1 = {1.0, -2.0, 3.0}, f2 = {0.0, 0.0, 5.0};
    std::vector<std::span<double>> files = {f1, f2};
    scale_between_arrays(files);
    EXPECT_EQ(f1[1], 0.0);
    EXPECT_TRUE(std::isnan(f2[0]) && std::isnan(f2[2]));
    std::vector<double> g1 = {1.0, -2.0, 3.0}, g2 = {missing, missing};
    std::vector<std::span<double>> none = {g1, g2};
    scale_between_arrays(none);
    EXPECT_TRUE(std::isnan(g1[0]));
}

}  // namespace
