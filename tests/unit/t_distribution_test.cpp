#include "numeric/t_distribution.hpp"

#include <cmath>

#include <gtest/gtest.h>

namespace {
const double pi = 3.14159265358979323846;

::testing::AssertionResult close_relative(double a, double b, double tolerance) {
    if (std::fabs(a - b) <= tolerance * std::fabs(b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " against " << b << ", relative " << std::fabs(a - b) / std::fabs(b);
}
}  // namespace

TEST(t_distribution, incomplete_beta_closed_forms) {
    EXPECT_NEAR(incomplete_beta(2.0, 3.0, 0.4), 0.5248, 1e-15);
    for (double x = 0.0; x <= 1.0; x += 0.0625) {
        EXPECT_NEAR(incomplete_beta(1.0, 1.0, x), x, 1e-15);
        EXPECT_NEAR(incomplete_beta(3.5, 1.0, x), std::pow(x, 3.5), 1e-15);
        EXPECT_NEAR(incomplete_beta(1.0, 2.5, x), 1.0 - std::pow(1.0 - x, 2.5), 1e-15);
        EXPECT_NEAR(incomplete_beta(0.7, 12.0, x), 1.0 - incomplete_beta(12.0, 0.7, 1.0 - x), 1e-14);
    }
    EXPECT_TRUE(std::isnan(incomplete_beta(1.0, 1.0, 1.5)));
    EXPECT_TRUE(std::isnan(incomplete_beta(0.0, 1.0, 0.5)));
}

// One degree of freedom is the Cauchy distribution, two have an algebraic
// tail; both written here in forms that keep far tails exact. Tails near
// 1e-300 come from the exponential of a logarithm near -700, which keeps 13
// digits.
TEST(t_distribution, tails_against_closed_forms_for_one_and_two_df) {
    for (double t = 1e-3; t < 1e15; t *= 1.9) {
        const double cauchy = 2.0 / pi * std::atan(1.0 / t);
        EXPECT_TRUE(close_relative(t_two_sided_p(t, 1.0), cauchy, 1e-13)) << t;
        EXPECT_TRUE(close_relative(t_two_sided_p(-t, 1.0), cauchy, 1e-13)) << t;
    }
    for (double t = 1e-3; t < 1e150; t *= 2.3) {
        const double root = std::sqrt(2.0 + t * t);
        const double two = 2.0 / (root * (root + t));  // 1 - t / sqrt(2 + t^2)
        EXPECT_TRUE(close_relative(t_two_sided_p(t, 2.0), two, 2e-13)) << t;
        EXPECT_TRUE(close_relative(t_upper_tail(t, 2.0), 0.5 * two, 2e-13)) << t;
        EXPECT_TRUE(close_relative(t_upper_tail(-t, 2.0), 1.0 - 0.5 * two, 1e-15)) << t;
    }
    EXPECT_NEAR(t_upper_tail(1.0, 1.0), 0.25, 1e-14);
    EXPECT_NEAR(t_upper_tail(-1.0, 1.0), 0.75, 1e-14);
}

// Values of the integral from a 60-digit evaluation of the same continued
// fraction; the large df put x = df / (df + t^2) within 1e-7 of 1, where a
// fraction that forms 1 - x itself loses eight digits.
TEST(t_distribution, tails_for_fractional_and_large_df) {
    EXPECT_TRUE(close_relative(t_two_sided_p(3.0, 2.5), 7.25760955490318410144e-02, 1e-13));
    EXPECT_TRUE(close_relative(t_two_sided_p(2.0, 1e3), 4.57703464932516373986e-02, 1e-13));
    EXPECT_TRUE(close_relative(t_two_sided_p(1.75, 4.5e5), 8.01189952585723424994e-02, 1e-13));
    EXPECT_TRUE(close_relative(t_two_sided_p(5.0, 4.5e5), 5.73517924540135443464e-07, 1e-13));
    EXPECT_TRUE(close_relative(t_two_sided_p(1.75, 1e8), 8.01183167945232477258e-02, 1e-13));
    EXPECT_TRUE(close_relative(t_two_sided_p(2.0, 1e8), 4.55002665959067520429e-02, 1e-13));
    EXPECT_TRUE(close_relative(t_two_sided_p(3.0, 1e8), 2.69979672803749440671e-03, 1e-13));
    EXPECT_TRUE(close_relative(t_two_sided_p(20.0, 1e8), 5.50946257665779338548e-89, 1e-13));
}

TEST(t_distribution, logarithms_beyond_the_smallest_double) {
    // p ~ 2 / (pi t) with one df and ~ 1 / t^2 with two.
    EXPECT_TRUE(close_relative(ln_t_two_sided_p(1e30, 1.0), std::log(2.0 / pi) - 30.0 * std::log(10.0), 1e-15));
    EXPECT_TRUE(close_relative(ln_t_two_sided_p(1e200, 2.0), -400.0 * std::log(10.0), 1e-15));
    EXPECT_EQ(t_two_sided_p(1e200, 2.0), 0.0);
    EXPECT_TRUE(close_relative(ln_t_upper_tail(1e200, 2.0), -400.0 * std::log(10.0) - std::log(2.0), 1e-15));
    EXPECT_TRUE(close_relative(ln_t_upper_tail(-1.0, 1.0), std::log(0.75), 1e-14));
}

TEST(t_distribution, ends_and_bad_arguments) {
    EXPECT_EQ(t_two_sided_p(0.0, 3.0), 1.0);
    EXPECT_EQ(t_two_sided_p(INFINITY, 3.0), 0.0);
    EXPECT_EQ(t_two_sided_p(-INFINITY, 0.4), 0.0);
    EXPECT_EQ(t_upper_tail(0.0, 7.0), 0.5);
    EXPECT_TRUE(std::isnan(t_two_sided_p(NAN, 3.0)));
    EXPECT_TRUE(std::isnan(t_two_sided_p(1.0, 0.0)));
    EXPECT_TRUE(std::isnan(t_two_sided_p(1.0, INFINITY)));
    EXPECT_TRUE(std::isnan(t_upper_quantile(0.1, -2.0)));
    EXPECT_TRUE(std::isnan(t_upper_quantile(1.5, 2.0)));
}

TEST(t_distribution, density_closed_forms) {
    EXPECT_NEAR(ln_t_density(0.0, 1.0), -std::log(pi), 1e-14);
    EXPECT_NEAR(ln_t_density(1e200, 2.0), -600.0 * std::log(10.0), 1e-12);
    for (double t = -30.0; t < 30.0; t += 1.3)
        EXPECT_NEAR(ln_t_density(t, 2.0), -1.5 * std::log(2.0 + t * t), 1e-13) << t;
}

TEST(t_distribution, quantiles_invert_the_tail) {
    EXPECT_TRUE(close_relative(t_upper_quantile(0.025, 1.0), 12.706204736174698, 1e-14));
    EXPECT_EQ(t_upper_quantile(0.5, 4.2), 0.0);
    EXPECT_EQ(t_upper_quantile(0.0, 4.2), INFINITY);
    for (double q = 1e-150; q < 0.5; q *= 13.0) {
        // Two df: P(T > t) = (1 - t / sqrt(2 + t^2)) / 2.
        const double a = 1.0 - 2.0 * q;
        EXPECT_TRUE(close_relative(t_upper_quantile(q, 2.0), a * std::sqrt(2.0 / (2.0 * q * (2.0 - 2.0 * q))), 1e-12))
            << q;
        for (double df : {0.7, 3.7, 30.0, 1e6})
            EXPECT_TRUE(close_relative(t_upper_tail(t_upper_quantile(q, df), df), q, 1e-12)) << q << " " << df;
    }
    for (double q = 0.55; q < 1.0; q += 0.1) {
        EXPECT_TRUE(close_relative(t_upper_quantile(q, 1.0), std::tan(pi * (0.5 - q)), 1e-13)) << q;
        EXPECT_EQ(t_upper_quantile(q, 5.5), -t_upper_quantile(1.0 - q, 5.5));
    }
    EXPECT_TRUE(close_relative(t_upper_quantile_ln(ln_t_upper_tail(40.0, 3.0), 3.0), 40.0, 1e-14));
    EXPECT_TRUE(close_relative(ln_t_upper_tail(t_upper_quantile_ln(-2000.0, 3.0), 3.0), -2000.0, 1e-14));
}
