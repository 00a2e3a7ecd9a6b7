// Student's t distribution for any real degrees of freedom, with tails that
// keep their relative accuracy (about 1e-13) far out, through the regularised
// incomplete beta function.
#pragma once

// Regularised incomplete beta I_x(a, b) for a, b > 0 and 0 <= x <= 1: the
// continued fraction of Abramowitz and Stegun 26.5.8 in its even part, by the
// modified Lentz method (Thompson and Barnett 1986), on x or, past
// (a + 1) / (a + b + 2), on 1 - x through I_x(a, b) = 1 - I_(1-x)(b, a). The
// partial denominators are formed from 1 - x and the front factor
// x^a (1-x)^b / B(a, b) in logarithms, so x within 1e-8 of 1 loses nothing.
// Not-a-number outside the domain. incomplete_beta(2, 3, 0.4) = 0.5248;
// incomplete_beta(1, 1, x) = x.
double incomplete_beta(double a, double b, double x);

// Two-sided p-value P(|T| > |t|) of Student's t with df > 0 degrees of
// freedom: I_(df / (df + t^2))(df / 2, 1/2), with df / (df + t^2) and its
// complement formed without cancellation. t = 0 gives 1, infinite t gives 0,
// not-a-number gives not-a-number. With df = 1 the value is
// 1 - 2 atan(|t|) / pi; t_two_sided_p(2, 2) = 1 - 2 / sqrt(6).
double t_two_sided_p(double t, double df);

// ln of t_two_sided_p, finite where the p-value itself underflows:
// ln_t_two_sided_p(1e30, 1) = ln(2 / pi) - 69.077552789821371 (about 1e-30 * 2 / pi).
double ln_t_two_sided_p(double t, double df);

// Upper tail P(T > t) and its logarithm, for either sign of t.
// t_upper_tail(1, 1) = 0.25; t_upper_tail(-1, 1) = 0.75.
double t_upper_tail(double t, double df);
double ln_t_upper_tail(double t, double df);

// Density of Student's t, in logarithms:
// -ln B(df/2, 1/2) - ln(df)/2 - (df + 1)/2 ln(1 + t^2/df). ln_t_density(0, 1) = -ln pi.
double ln_t_density(double t, double df);

// The t with P(T > t) = q for 0 <= q <= 1 (0 and 1 give the infinities) and
// df > 0: Newton's iteration on ln P(T > t), kept inside a bracket by
// bisection, to a relative 1e-15. t_upper_quantile(0.025, 1) =
// tan(0.475 pi) = 12.706204736174698; t_upper_quantile(0.5, df) = 0.
double t_upper_quantile(double q, double df);

// The same from ln q, for tails below the smallest double:
// t_upper_quantile_ln(ln_t_upper_tail(40, 3), 3) = 40.
double t_upper_quantile_ln(double ln_q, double df);
