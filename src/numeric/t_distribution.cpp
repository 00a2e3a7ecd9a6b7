#include "numeric/t_distribution.hpp"

#include <cmath>
#include <limits>

#include "numeric/special_functions.hpp"

namespace {
constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double ln_two = 0.69314718055994530942;

// d_j of the fraction 1 / (1 + d_1 / (1 + d_2 / (1 + ...))) of Abramowitz and
// Stegun 26.5.8, for j >= 1.
double fraction_term(int j, double a, double b, double x) {
    const double m = j / 2;
    if (j % 2 == 0) return m * (b - m) * x / ((a + 2.0 * m - 1.0) * (a + 2.0 * m));
    return -(a + m) * (a + b + m) * x / ((a + 2.0 * m) * (a + 2.0 * m + 1.0));
}

// The fraction through its even part, 1 / (1 + d_1 - d_1 d_2 / (1 + d_2 + d_3
// - d_3 d_4 / (1 + d_4 + d_5 - ...))), by the modified Lentz method; it
// converges fast for x < (a + 1) / (a + b + 2). Near x = 1 the sums
// 1 + d_(2m+1) would lose the digits of 1 - x, so they are formed from y = 1 - x:
// (a + 2m)(a + 2m + 1)(1 + d_(2m+1)) = a (2m + 1) + m (3m + 2) + (a + m)(lambda + m y)
// with lambda = a - (a + b) x = (a + b) y - b.
double beta_fraction(double a, double b, double x, double y) {
    constexpr double tiny = 1e-300;  // stands in for a zero denominator
    constexpr double tolerance = 1e-15;
    const double lambda = x > 0.5 ? (a + b) * y - b : a - (a + b) * x;
    double value = (1.0 + lambda) / (a + 1.0);
    if (std::fabs(value) < tiny) value = tiny;
    double c = value;
    double d = 0.0;
    for (int m = 1; m < 1000000; ++m) {
        const double odd_sum = (a * (2.0 * m + 1.0) + m * (3.0 * m + 2.0) + (a + m) * (lambda + m * y)) /
                               ((a + 2.0 * m) * (a + 2.0 * m + 1.0));
        const double even = fraction_term(2 * m, a, b, x);
        const double numerator = -fraction_term(2 * m - 1, a, b, x) * even;
        const double denominator = even + odd_sum;
        d = denominator + numerator * d;
        if (std::fabs(d) < tiny) d = tiny;
        c = denominator + numerator / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1.0 / d;
        const double step = c * d;
        value *= step;
        if (std::fabs(step - 1.0) < tolerance) break;
    }
    return 1.0 / value;
}

// ln(1 - e^l) for l <= 0. Exact enough where the callers use it: the side of
// the integral they complement is never close to 1.
double ln_one_minus_exp(double l) { return log_one_plus(-std::exp(l)); }

// ln I_x(a, b), or ln(1 - I_x(a, b)) when upper, from x, y = 1 - x and their
// logarithms, which the caller forms without cancellation.
double ln_beta_part(double a, double b, double x, double y, double ln_x, double ln_y, bool upper) {
    const double ln_front = a * ln_x + b * ln_y - ln_beta(a, b);
    if (x < (a + 1.0) / (a + b + 2.0)) {
        const double ln_lower = ln_front + std::log(beta_fraction(a, b, x, y) / a);
        return upper ? ln_one_minus_exp(ln_lower) : ln_lower;
    }
    const double ln_upper = ln_front + std::log(beta_fraction(b, a, y, x) / b);
    return upper ? ln_upper : ln_one_minus_exp(ln_upper);
}

// x = df / (df + t^2) and y = t^2 / (df + t^2) with their logarithms, through
// whichever of t^2 / df and df / t^2 is at most 1; past the range of doubles
// the logarithms still hold.
struct t_split {
    double x, y, ln_x, ln_y;
};

t_split split_of(double t, double df) {
    const double s = std::fabs(t);
    if (s <= std::sqrt(df)) {
        const double w = s * s / df;
        const double ln_sum = log_one_plus(w);
        return {1.0 / (1.0 + w), w / (1.0 + w), -ln_sum, std::log(w) - ln_sum};
    }
    const double u = df / s / s;
    const double ln_u = u >= 1e-300 ? std::log(u) : std::log(df) - 2.0 * std::log(s);
    const double ln_sum = log_one_plus(u);
    return {u / (1.0 + u), 1.0 / (1.0 + u), ln_u - ln_sum, -ln_sum};
}

bool good_df(double df) { return df > 0.0 && df < infinity; }
}  // namespace

double incomplete_beta(double a, double b, double x) {
    if (!(a > 0.0 && b > 0.0 && x >= 0.0 && x <= 1.0)) return not_a_number;
    if (x == 0.0) return 0.0;
    if (x == 1.0) return 1.0;
    const double y = 1.0 - x;
    return std::exp(ln_beta_part(a, b, x, y, std::log(x), std::log(y), false));
}

double ln_t_two_sided_p(double t, double df) {
    if (std::isnan(t) || !good_df(df)) return not_a_number;
    const t_split s = split_of(t, df);
    return ln_beta_part(0.5 * df, 0.5, s.x, s.y, s.ln_x, s.ln_y, false);
}

double t_two_sided_p(double t, double df) { return std::exp(ln_t_two_sided_p(t, df)); }

double t_upper_tail(double t, double df) {
    const double p = t_two_sided_p(t, df);
    return t >= 0.0 ? 0.5 * p : 1.0 - 0.5 * p;
}

double ln_t_upper_tail(double t, double df) {
    if (t >= 0.0) return ln_t_two_sided_p(t, df) - ln_two;
    return log_one_plus(-0.5 * t_two_sided_p(t, df));
}

double ln_t_density(double t, double df) {
    if (std::isnan(t) || !good_df(df)) return not_a_number;
    // ln(1 + t^2 / df) = -ln x
    return -ln_beta(0.5 * df, 0.5) - 0.5 * std::log(df) + 0.5 * (df + 1.0) * split_of(t, df).ln_x;
}

double t_upper_quantile(double q, double df) {
    if (!(q >= 0.0 && q <= 1.0) || !good_df(df)) return not_a_number;
    if (q == 0.0) return infinity;
    if (q == 1.0) return -infinity;
    if (q == 0.5) return 0.0;
    if (q > 0.5) return -t_upper_quantile(1.0 - q, df);
    return t_upper_quantile_ln(std::log(q), df);
}

double t_upper_quantile_ln(double ln_q, double df) {
    if (std::isnan(ln_q) || !good_df(df)) return not_a_number;
    if (ln_q >= -ln_two) return t_upper_quantile(std::exp(ln_q), df);
    if (ln_q == -infinity) return infinity;
    // The tail falls with t: lo keeps a tail above q, hi one at or below it.
    double lo = 0.0;
    double hi = 1.0;
    while (ln_t_upper_tail(hi, df) > ln_q) {
        lo = hi;
        hi *= 2.0;
        if (hi > 1e300) return infinity;
    }
    double t = 0.5 * (lo + hi);
    for (int iteration = 0; iteration < 300; ++iteration) {
        const double ln_tail = ln_t_upper_tail(t, df);
        const double gap = ln_tail - ln_q;
        if (gap == 0.0) break;
        if (gap > 0.0) {
            lo = t;
        } else {
            hi = t;
        }
        // Newton on ln P(T > t), whose slope is -density / tail.
        double next = t + gap * std::exp(ln_tail - ln_t_density(t, df));
        if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
        const bool settled = std::fabs(next - t) <= 1e-15 * next;
        t = next;
        if (settled || hi - lo <= 4e-16 * hi) break;
    }
    return t;
}
