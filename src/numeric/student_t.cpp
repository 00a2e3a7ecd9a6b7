#include "numeric/student_t.hpp"

#include <cmath>

#include "numeric/containers.hpp"

double log_gamma(double x) {
    static const double coefficients[6] = {76.18009173,  -86.50532033,  24.01409822,
                                           -1.231739516, 0.00120858003, -0.00000536382};
    double y = x - 1.0;
    double s = y + 5.5;
    s -= (y + 0.5) * std::log(s);
    double sum = 1.0;
    for (double k : coefficients) {
        y += 1.0;
        sum += k / y;
    }
    return -s + std::log(2.50662827465 * sum);
}

double betacf(double a, double b, double x) {
    const int maxit = 100;
    const double eps = 3.0e-7;
    const double fpmin = 1.0e-30;
    const double qab = a + b;
    const double qap = a + 1.0;
    const double qam = a - 1.0;
    double c = 1.0;
    double d = 1.0 - qab * x / qap;
    if (std::fabs(d) < fpmin) d = fpmin;
    d = 1.0 / d;
    double h = d;
    for (int m = 1; m <= maxit; ++m) {
        const int m2 = 2 * m;
        double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
        d = 1.0 + aa * d;
        if (std::fabs(d) < fpmin) d = fpmin;
        c = 1.0 + aa / c;
        if (std::fabs(c) < fpmin) c = fpmin;
        d = 1.0 / d;
        h = h * d * c;
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
        d = 1.0 + aa * d;
        if (std::fabs(d) < fpmin) d = fpmin;
        c = 1.0 + aa / c;
        if (std::fabs(c) < fpmin) c = fpmin;
        d = 1.0 / d;
        const double del = d * c;
        h *= del;
        if (std::fabs(del - 1.0) < eps) return h;
    }
    numeric_fatal("a or b too big, or MAXIT too small in betacf");
}

double betai(double a, double b, double x) {
    if (!(x >= 0.0 && x <= 1.0)) numeric_fatal("Bad x in routine betai");
    double bt = 0.0;
    if (x != 0.0 && x != 1.0)
        bt = std::exp(log_gamma(a + b) - log_gamma(a) - log_gamma(b) + a * std::log(x) + b * std::log(1.0 - x));
    if (x < (a + 1.0) / (a + b + 2.0)) return bt * betacf(a, b, x) / a;
    return 1.0 - bt * betacf(b, a, 1.0 - x) / b;
}

double t_test_p_value(double t, double nu) { return betai(0.5 * nu, 0.5, nu / (nu + t * t)); }
