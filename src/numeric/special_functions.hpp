// The gamma function family for the empirical Bayes statistics: log-gamma,
// log-beta, digamma, trigamma and its inverse. Built on std::log and std::exp
// only, so every platform gives the same bits.
#pragma once

// ln(1 + x) for x > -1 without the loss of 1 + x rounding, by Goldberg's
// correction (What every computer scientist should know about floating-point
// arithmetic, 1991, theorem 4). log_one_plus(1e-20) = 1e-20.
double log_one_plus(double x);

// ln Gamma(x) for x > 0 to about 1e-15 absolute below x = 10 and 1e-16
// relative above: Stirling's series with eight terms at x >= 10, reached from
// below by the recurrence Gamma(x + 1) = x Gamma(x).
// ln_gamma(0.5) = ln sqrt(pi) = 0.57236494292470009; ln_gamma(5) = ln 24.
double ln_gamma(double x);

// ln B(a, b) = ln Gamma(a) + ln Gamma(b) - ln Gamma(a + b) for a, b > 0. When a
// parameter is large the Stirling terms that cancel are taken out by hand, so
// the result keeps an absolute accuracy of about 1e-15 even at a = 1e7.
// ln_beta(2, 3) = ln(1 / 12).
double ln_beta(double a, double b);

// Digamma psi(x) = d/dx ln Gamma(x) for x > 0: asymptotic series at x >= 10,
// reached by psi(x) = psi(x + 1) - 1/x. psi(1) = -0.57721566490153286 (minus
// Euler's constant).
double digamma(double x);

// Trigamma psi'(x) for x > 0, the same way: psi'(x) = psi'(x + 1) + 1/x^2.
// psi'(1) = pi^2 / 6 = 1.6449340668482264.
double trigamma(double x);

// Tetragamma psi''(x) for x > 0: psi''(x) = psi''(x + 1) - 2/x^3.
// psi''(1) = -2 zeta(3) = -2.4041138063191885.
double tetragamma(double x);

// The y > 0 with trigamma(y) = x, for x > 0: Newton's iteration on
// 1/trigamma(y) from y = 0.5 + 1/x, as in the appendix of Smyth (2004, Stat.
// Appl. Genet. Mol. Biol. 3, article 3), until a step is below 1e-14 of y.
// trigamma_inverse(pi^2 / 6) = 1. Not-a-number for x <= 0 or not-a-number.
double trigamma_inverse(double x);
