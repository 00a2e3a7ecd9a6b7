// Two-sided Student-t p-value through the regularised incomplete beta function.
#pragma once

// ln Gamma(x) for x > 0, Lanczos series with six coefficients.
// log_gamma(5) = ln 24.
double log_gamma(double x);

// Regularised incomplete beta I_x(a, b); x outside 0..1 or not-a-number ends
// the run through numeric_fatal. betai(0.5, 0.5, 0.5) = 0.5.
double betai(double a, double b, double x);

// Continued fraction of betai by the modified Lentz method; ends the run when
// it does not converge within 100 iterations.
double betacf(double a, double b, double x);

// Two-sided p-value of t with nu degrees of freedom: betai(nu/2, 1/2, nu/(nu+t^2)).
double t_test_p_value(double t, double nu);
