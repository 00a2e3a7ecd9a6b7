#include "numeric/special_functions.hpp"

#include <cmath>
#include <limits>

namespace {
// The asymptotic series below hold to double precision from here up; smaller
// arguments are carried up to it by the recurrences.
constexpr double series_start = 10.0;
constexpr double half_log_two_pi = 0.91893853320467274178;  // ln sqrt(2 pi)

// ln Gamma(z) - ((z - 1/2) ln z - z + ln sqrt(2 pi)) for z >= 10: Stirling's
// series B_2k / (2k (2k - 1) z^(2k - 1)) for k = 1..8; the next term is below
// 2e-18 at z = 10.
double stirling_rest(double z) {
    const double w = 1.0 / (z * z);
    const double sum =
        1.0 / 12.0 -
        w * (1.0 / 360.0 -
             w * (1.0 / 1260.0 -
                  w * (1.0 / 1680.0 -
                       w * (1.0 / 1188.0 - w * (691.0 / 360360.0 - w * (1.0 / 156.0 - w * (3617.0 / 122400.0)))))));
    return sum / z;
}
}  // namespace

double log_one_plus(double x) {
    const double u = 1.0 + x;
    if (u == 1.0) return x;
    if (u == std::numeric_limits<double>::infinity()) return u;
    // ln(u) / (u - 1) varies slowly, so the rounding of u cancels.
    return std::log(u) * (x / (u - 1.0));
}

double ln_gamma(double x) {
    if (x >= series_start) return (x - 0.5) * std::log(x) - x + half_log_two_pi + stirling_rest(x);
    double product = x;
    double z = x + 1.0;
    while (z < series_start) {
        product *= z;
        z += 1.0;
    }
    return (z - 0.5) * std::log(z) - z + half_log_two_pi + stirling_rest(z) - std::log(product);
}

double ln_beta(double a, double b) {
    if (a < b) {
        const double swap = a;
        a = b;
        b = swap;
    }
    // From here a >= b.
    if (a < series_start) return ln_gamma(a) + ln_gamma(b) - ln_gamma(a + b);
    const double rest = stirling_rest(a) - stirling_rest(a + b);
    if (b < series_start) {
        // ln Gamma(a) - ln Gamma(a + b) = -b ln a + [b - (a + b - 1/2) ln(1 + b/a)] + rest,
        // the bracket small: both of its terms are near b.
        const double near_b = b - (a + b - 0.5) * log_one_plus(b / a);
        return ln_gamma(b) - b * std::log(a) + near_b + rest;
    }
    const double sum = a + b;
    return half_log_two_pi - (a - 0.5) * log_one_plus(b / a) + (b - 0.5) * std::log(b / sum) - 0.5 * std::log(sum) +
           stirling_rest(b) + rest;
}

double digamma(double x) {
    double z = x;
    double shift = 0.0;
    while (z < series_start) {
        shift += 1.0 / z;
        z += 1.0;
    }
    const double w = 1.0 / (z * z);
    // -sum B_2k / (2k z^2k), k = 1..7
    const double tail =
        w * (1.0 / 12.0 -
             w * (1.0 / 120.0 -
                  w * (1.0 / 252.0 - w * (1.0 / 240.0 - w * (1.0 / 132.0 - w * (691.0 / 32760.0 - w / 12.0))))));
    return std::log(z) - 0.5 / z - tail - shift;
}

double trigamma(double x) {
    double z = x;
    double shift = 0.0;
    while (z < series_start) {
        shift += 1.0 / (z * z);
        z += 1.0;
    }
    const double w = 1.0 / (z * z);
    // sum B_2k / z^(2k + 1), k = 1..7
    const double tail =
        (1.0 / 6.0 -
         w * (1.0 / 30.0 -
              w * (1.0 / 42.0 - w * (1.0 / 30.0 - w * (5.0 / 66.0 - w * (691.0 / 2730.0 - w * (7.0 / 6.0))))))) /
        (z * z * z);
    return 1.0 / z + 0.5 * w + tail + shift;
}

double tetragamma(double x) {
    double z = x;
    double shift = 0.0;
    while (z < series_start) {
        shift += 2.0 / (z * z * z);
        z += 1.0;
    }
    const double w = 1.0 / (z * z);
    // sum (2k + 1) B_2k / z^(2k + 2), k = 1..7
    const double tail =
        (0.5 - w * (1.0 / 6.0 -
                    w * (1.0 / 6.0 - w * (3.0 / 10.0 - w * (5.0 / 6.0 - w * (691.0 / 210.0 - w * (35.0 / 2.0))))))) *
        (w * w);
    return -w - w / z - tail - shift;
}

double trigamma_inverse(double x) {
    if (!(x > 0.0)) return std::numeric_limits<double>::quiet_NaN();
    // 1/trigamma is convex and trigamma(0.5 + 1/x) < x, so the steps all go
    // down and stop at the root.
    double y = 0.5 + 1.0 / x;
    for (int iteration = 0; iteration < 200; ++iteration) {
        const double slope = trigamma(y);
        const double step = slope * (1.0 - slope / x) / tetragamma(y);
        y += step;
        if (-step <= 1e-14 * y) break;
    }
    return y;
}
