#include "numeric/statistics.hpp"

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "support/series_of.hpp"

namespace {

// Runs body from the generator's start state and restores the state afterwards.
class generator_scope {
public:
    generator_scope() : saved_(generator_state()) { generator_state() = {1, 1, 1}; }
    ~generator_scope() { generator_state() = saved_; }

private:
    random_state saved_;
};

// Number of draws that lead from state `from` to state `to` (at most `limit`).
long draws_between(random_state from, random_state to, long limit) {
    const random_state saved = generator_state();
    generator_state() = from;
    long k = 0;
    while (k <= limit) {
        const random_state s = generator_state();
        if (s.s1 == to.s1 && s.s2 == to.s2 && s.s3 == to.s3) break;
        uniform_random();
        ++k;
    }
    generator_state() = saved;
    return k;
}

// The partition sort in its plain recursive form, written from the rules:
// draw, pivot at floor(u*n), values >= pivot to the back in reverse order,
// front part sorted before back part.
void recursive_sort(double* a, int n) {
    if (n <= 1) return;
    if (n == 2) {
        if (a[0] > a[1]) std::swap(a[0], a[1]);
        return;
    }
    const int t = static_cast<int>(uniform_random() * n);
    std::vector<double> w(a, a + n);
    const double p = w[t];
    int f = 0, b = 0;
    for (int k = 0; k < n; ++k) {
        if (k == t) continue;
        if (w[k] >= p)
            a[n - 1 - b++] = w[k];
        else
            a[f++] = w[k];
    }
    a[f] = p;
    if (f > 0) recursive_sort(a, f);
    if (b > 0) recursive_sort(a + f + 1, b);
}

}  // namespace

TEST(statistics, mean_and_population_sd) {
    dvector_t a = one_based({1, 2, 6});
    EXPECT_EQ(mean_of(a.view(), 3), 3.0);
    dvector_t b = one_based({1, 3});
    EXPECT_EQ(sd_of(b.view(), 2), 1.0);
    dvector_t c = one_based({7.25});
    EXPECT_EQ(sd_of(c.view(), 1), 0.0);
    EXPECT_TRUE(std::isnan(mean_of(c.view(), 0)));
    EXPECT_TRUE(std::isnan(sd_of(c.view(), 0)));
}

TEST(statistics, median_of_odd_even_single_and_empty) {
    generator_scope scope;
    dvector_t odd = one_based({3, 1, 2});
    EXPECT_EQ(median_of(odd.view(), 3), 2.0);
    dvector_t even = one_based({4, 1, 3, 2});
    EXPECT_EQ(median_of(even.view(), 4), 2.5);
    dvector_t one = one_based({-4.5});
    EXPECT_EQ(median_of(one.view(), 1), -4.5);
    EXPECT_TRUE(std::isnan(median_of(dvector(1, 0).view(), 0)));
}

TEST(statistics, median_of_leaves_input_unchanged) {
    generator_scope scope;
    dvector_t v = one_based({5, 9, 1, 7, 3});
    EXPECT_EQ(median_of(v.view(), 5), 5.0);
    const double expected[] = {5, 9, 1, 7, 3};
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(v[i], expected[i - 1]);
}

TEST(statistics, first_generator_values) {
    generator_scope scope;
    const double first = uniform_random();
    EXPECT_EQ(first, 171 / 30269.0 + 172 / 30309.0 + 170 / 30323.0);
    EXPECT_LT(first, 0.02);
    const double x = 29241 / 30269.0 + 29584 / 30309.0 + 28900 / 30323.0;
    EXPECT_EQ(uniform_random(), x - std::trunc(x));
    EXPECT_EQ(generator_state().s1, 171 * 171);
}

TEST(statistics, generator_stays_below_one) {
    generator_scope scope;
    for (int i = 0; i < 200000; ++i) {
        const double u = uniform_random();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
    }
}

TEST(statistics, sort_of_two_draws_nothing) {
    generator_scope scope;
    double a[] = {2, 1};
    sort_values(a, 2);
    EXPECT_EQ(a[0], 1);
    EXPECT_EQ(a[1], 2);
    // Equal values stay in place, bit for bit.
    double z[] = {0.0, -0.0};
    sort_values(z, 2);
    EXPECT_FALSE(std::signbit(z[0]));
    EXPECT_TRUE(std::signbit(z[1]));
    EXPECT_EQ(generator_state().s1, 1);
}

TEST(statistics, sort_of_equal_values_draws_once_per_level) {
    for (int n : {3, 4, 10, 1000, 100000}) {
        generator_scope scope;
        std::vector<double> a(static_cast<std::size_t>(n), 0.25);
        sort_values(a.data(), n);
        EXPECT_EQ(draws_between({1, 1, 1}, generator_state(), n), n - 2) << n;
        for (double x : a) ASSERT_EQ(x, 0.25);
    }
}

TEST(statistics, sort_matches_the_recursive_rules_bit_for_bit) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> small(0, 6);
    const double specials[] = {
        0.0, -0.0, 1.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 2.5};
    for (int trial = 0; trial < 400; ++trial) {
        const int n = 1 + trial % 40;
        std::vector<double> input(static_cast<std::size_t>(n));
        for (double& x : input) x = trial % 3 == 0 ? specials[small(random)] : small(random) * 0.5;
        std::vector<double> expected = input;
        std::vector<double> actual = input;
        random_state after_expected;
        {
            generator_scope scope;
            recursive_sort(expected.data(), n);
            after_expected = generator_state();
        }
        generator_scope scope;
        sort_values(actual.data(), n);
        ASSERT_EQ(std::memcmp(expected.data(), actual.data(), sizeof(double) * static_cast<std::size_t>(n)), 0)
            << "trial " << trial;
        ASSERT_EQ(generator_state().s1, after_expected.s1) << "trial " << trial;
        ASSERT_EQ(generator_state().s3, after_expected.s3) << "trial " << trial;
    }
}

TEST(statistics, sort_orders_distinct_values) {
    generator_scope scope;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> value(-100, 100);
    std::vector<double> a(5000);
    for (double& x : a) x = value(random);
    std::vector<double> expected = a;
    std::sort(expected.begin(), expected.end());
    sort_values(a.data(), static_cast<int>(a.size()));
    EXPECT_EQ(a, expected);
}
