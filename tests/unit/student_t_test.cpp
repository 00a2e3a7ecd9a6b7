#include "numeric/student_t.hpp"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "run/failure.hpp"
#include "support/capture.hpp"

TEST(student_t, log_gamma_known_values) {
    EXPECT_NEAR(log_gamma(1.0), 0.0, 1e-9);
    EXPECT_NEAR(log_gamma(0.5), std::log(std::sqrt(std::acos(-1.0))), 1e-9);
    EXPECT_NEAR(log_gamma(5.0), std::log(24.0), 1e-9);
}

TEST(student_t, p_values_of_known_t) {
    EXPECT_NEAR(t_test_p_value(1.0, 1.0), 0.5, 1e-7);
    EXPECT_NEAR(t_test_p_value(2.0, 2.0), 1.0 - 2.0 / std::sqrt(6.0), 1e-6);
    // Two-sided critical values of Student's t.
    EXPECT_NEAR(t_test_p_value(2.7764451051977987, 4.0), 0.05, 1e-6);
    EXPECT_NEAR(t_test_p_value(3.1692726726169518, 10.0), 0.01, 1e-6);
    EXPECT_EQ(t_test_p_value(0.0, 3.0), 1.0);
    EXPECT_EQ(t_test_p_value(std::numeric_limits<double>::infinity(), 2.0), 0.0);
    EXPECT_EQ(t_test_p_value(-std::numeric_limits<double>::infinity(), 1.0), 0.0);
    // nu = 0 with t != 0: 0 / 0 in the first branch, no message.
    EXPECT_TRUE(std::isnan(t_test_p_value(1.5, 0.0)));
}

TEST(student_t, betai_symmetry_and_ends) {
    EXPECT_NEAR(betai(0.5, 0.5, 0.5), 0.5, 1e-7);
    EXPECT_EQ(betai(2.0, 3.0, 0.0), 0.0);
    EXPECT_EQ(betai(2.0, 3.0, 1.0), 1.0);
    // I_x(a, b) = 1 - I_{1-x}(b, a)
    EXPECT_NEAR(betai(2.0, 3.0, 0.3), 1.0 - betai(3.0, 2.0, 0.7), 1e-7);
    // I_x(1, 1) = x
    EXPECT_NEAR(betai(1.0, 1.0, 0.37), 0.37, 1e-7);
}

TEST(student_t, bad_arguments_are_fatal) {
    const double bad[] = {1.0 + 1e-7, -1e-7, std::numeric_limits<double>::quiet_NaN()};
    for (double x : bad) {
        try {
            betai(1.0, 0.5, x);
            ADD_FAILURE() << x << " was taken";
        } catch (const run_failure& end) {
            EXPECT_EQ(end.status, 1) << x;
            EXPECT_STREQ(end.numeric_error, "Bad x in routine betai");
        }
    }
    try {
        betacf(1.0e7, 1.0e7, 0.5);
        ADD_FAILURE() << "betacf converged";
    } catch (const run_failure& end) {
        EXPECT_EQ(end.status, 1);
        EXPECT_STREQ(end.numeric_error, "a or b too big, or MAXIT too small in betacf");
    }
}
