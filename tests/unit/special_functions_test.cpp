#include "numeric/special_functions.hpp"

#include <cmath>

#include <gtest/gtest.h>

namespace {
const double pi = 3.14159265358979323846;
const double euler_gamma = 0.57721566490153286061;

// |a - b| within tolerance times |b|.
::testing::AssertionResult close_relative(double a, double b, double tolerance) {
    if (std::fabs(a - b) <= tolerance * std::fabs(b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " against " << b << ", relative " << std::fabs(a - b) / std::fabs(b);
}
}  // namespace

TEST(special_functions, log_one_plus_keeps_small_arguments) {
    EXPECT_EQ(log_one_plus(1e-20), 1e-20);
    EXPECT_TRUE(close_relative(log_one_plus(1e-10), 9.9999999995000000e-11, 1e-15));
    EXPECT_TRUE(close_relative(log_one_plus(-0.5), -std::log(2.0), 1e-15));
    EXPECT_TRUE(close_relative(log_one_plus(3e-5), 2.9999550008999799e-05, 1e-15));
    EXPECT_TRUE(close_relative(log_one_plus(1e300), std::log(1e300), 1e-15));
    EXPECT_EQ(log_one_plus(-1.0), -INFINITY);
}

// Both sides of the switch from the recurrence to Stirling's series at 10, and
// far out where only the series works.
TEST(special_functions, ln_gamma_known_values) {
    EXPECT_NEAR(ln_gamma(1.0), 0.0, 1e-14);
    EXPECT_NEAR(ln_gamma(2.0), 0.0, 1e-14);
    EXPECT_NEAR(ln_gamma(0.5), 0.57236494292470009, 1e-14);
    EXPECT_NEAR(ln_gamma(5.0), std::log(24.0), 1e-14);
    EXPECT_NEAR(ln_gamma(0.1), 2.252712651734206, 1e-14);
    EXPECT_NEAR(ln_gamma(12.5), 18.734347511936448, 1e-13);
    EXPECT_TRUE(close_relative(ln_gamma(100.0), 359.1342053695754, 1e-15));
    EXPECT_TRUE(close_relative(ln_gamma(1e6), 12815504.569147611, 1e-15));
    // Gamma(x) ~ 1/x - gamma near 0.
    EXPECT_TRUE(close_relative(ln_gamma(1e-10), 23.025850929882736, 1e-15));
}

TEST(special_functions, ln_gamma_recurrence_across_the_range) {
    for (double x = 0.05; x < 40.0; x += 0.37) EXPECT_NEAR(ln_gamma(x + 1.0) - ln_gamma(x), std::log(x), 1e-13) << x;
}

TEST(special_functions, ln_beta_small_and_large_parameters) {
    EXPECT_NEAR(ln_beta(2.0, 3.0), std::log(1.0 / 12.0), 1e-14);
    EXPECT_NEAR(ln_beta(0.5, 0.5), std::log(pi), 1e-14);
    EXPECT_EQ(ln_beta(3.5, 40.0), ln_beta(40.0, 3.5));
    EXPECT_NEAR(ln_beta(50.0, 60.0), ln_gamma(50.0) + ln_gamma(60.0) - ln_gamma(110.0), 1e-12);
    EXPECT_NEAR(ln_beta(25.0, 3.0), std::log(2.0 / (25.0 * 26.0 * 27.0)), 1e-14);
    // ln B(a, 1/2) = ln Gamma(1/2) - ln a / 2 + 1/(8a) - 1/(192 a^3) + ... for
    // large a, where the difference of two ln Gamma near 1e8 would keep only
    // eight digits.
    for (double a : {1e4, 7.35e5, 5e7}) {
        const double expected = 0.57236494292470009 - 0.5 * std::log(a) + 1.0 / (8.0 * a) - 1.0 / (192.0 * a * a * a);
        EXPECT_NEAR(ln_beta(a, 0.5), expected, 1e-14) << a;
    }
}

TEST(special_functions, digamma_known_values) {
    EXPECT_NEAR(digamma(1.0), -euler_gamma, 1e-15);
    EXPECT_NEAR(digamma(0.5), -euler_gamma - 2.0 * std::log(2.0), 1e-15);
    EXPECT_NEAR(digamma(0.1), -10.423754940411076, 1e-13);
    EXPECT_NEAR(digamma(12.5), 2.4851956512749123, 1e-15);
    EXPECT_TRUE(close_relative(digamma(1e8), std::log(1e8) - 0.5e-8, 1e-15));
    for (double x = 0.05; x < 30.0; x += 0.41) EXPECT_NEAR(digamma(x + 1.0) - digamma(x), 1.0 / x, 1e-13) << x;
}

TEST(special_functions, trigamma_and_tetragamma_known_values) {
    EXPECT_TRUE(close_relative(trigamma(1.0), pi * pi / 6.0, 1e-15));
    EXPECT_TRUE(close_relative(trigamma(0.5), pi * pi / 2.0, 1e-15));
    EXPECT_TRUE(close_relative(trigamma(0.1), 101.43329915079275, 1e-15));
    EXPECT_TRUE(close_relative(trigamma(12.5), 0.083285224601578348, 1e-15));
    EXPECT_TRUE(close_relative(trigamma(1e7), 1e-7 + 0.5e-14, 4e-15));
    for (double x = 0.05; x < 30.0; x += 0.41)
        EXPECT_TRUE(close_relative(trigamma(x) - trigamma(x + 1.0), 1.0 / (x * x), 1e-13)) << x;
    EXPECT_TRUE(close_relative(tetragamma(1.0), -2.4041138063191885, 1e-14));
    EXPECT_TRUE(close_relative(tetragamma(0.1), -2001.8614573783439, 1e-14));
}

TEST(special_functions, trigamma_inverse_round_trips) {
    EXPECT_TRUE(close_relative(trigamma_inverse(pi * pi / 6.0), 1.0, 1e-14));
    // From both ends: trigamma(y) ~ 1/y^2 for small y and ~ 1/y for large y.
    for (double x = 1e-8; x < 1e10; x *= 3.7) EXPECT_TRUE(close_relative(trigamma(trigamma_inverse(x)), x, 1e-13)) << x;
    for (double y = 1e-4; y < 1e7; y *= 2.9) EXPECT_TRUE(close_relative(trigamma_inverse(trigamma(y)), y, 1e-12)) << y;
    EXPECT_TRUE(std::isnan(trigamma_inverse(0.0)));
    EXPECT_TRUE(std::isnan(trigamma_inverse(-1.0)));
    EXPECT_TRUE(std::isnan(trigamma_inverse(NAN)));
}
