#include "numeric/radix_sort.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Values with every kind of bit pattern a sort by bits can get wrong: both
// signs, both zeros, ties, subnormals, infinities, the extremes.
std::vector<double> awkward_values(int n, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> normal(0.0, 3.0);
    const double special[] = {0.0,
                              -0.0,
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::denorm_min(),
                              -std::numeric_limits<double>::denorm_min(),
                              std::numeric_limits<double>::max(),
                              std::numeric_limits<double>::lowest(),
                              std::numeric_limits<double>::min(),
                              1.0,
                              -1.0};
    std::vector<double> v;
    for (int k = 0; k < n; ++k) {
        const unsigned pick = random() % 4;
        if (pick == 0)
            v.push_back(special[random() % std::size(special)]);
        else if (pick == 1)
            v.push_back(std::round(normal(random) * 4.0) / 4.0);  // many ties
        else
            v.push_back(normal(random) * std::ldexp(1.0, static_cast<int>(random() % 200) - 100));
    }
    return v;
}

TEST(radix_sort, sorts_as_the_comparison_sort_does) {
    for (int n : {0, 1, 2, 17, 5000, 70000}) {
        std::vector<double> v = awkward_values(n, 3u + static_cast<unsigned>(n));
        std::vector<double> expected = v;
        std::sort(expected.begin(), expected.end());
        radix_sort(v);
        ASSERT_EQ(v.size(), expected.size());
        for (std::size_t i = 0; i < v.size(); ++i) {
            ASSERT_EQ(v[i], expected[i]) << n << " values, place " << i;
            ASSERT_FALSE(v[i] == 0.0 && std::signbit(v[i])) << "-0 comes out as +0";
        }
    }
}

TEST(radix_sort, orders_positions_stably_with_the_zeros_equal) {
    int order[5];
    const double v[] = {3.0, 1.0, -0.0, 1.0, 0.0};
    radix_order(v, 5, order);
    EXPECT_EQ(std::vector<int>(order, order + 5), (std::vector<int>{2, 4, 1, 3, 0}));
    for (int n : {0, 1, 999, 70000}) {
        const std::vector<double> values = awkward_values(n, 40u + static_cast<unsigned>(n));
        std::vector<int> expected(values.size());
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(), [&](int p, int q) { return values[p] < values[q]; });
        std::vector<int> got(values.size());
        radix_order(values.data(), n, got.data());
        EXPECT_EQ(got, expected) << n << " values";
    }
}

}  // namespace
