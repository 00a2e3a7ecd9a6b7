#include "numeric/correlation.hpp"

#include <cmath>

double pearson_r(series<const double> x, series<const double> y, int n) {
    double sum_x = 0.0;
    double sum_y = 0.0;
    for (int i = 1; i <= n; ++i) {
        sum_x += x[i];
        sum_y += y[i];
    }
    const double mx = sum_x / n;
    const double my = sum_y / n;
    double sxy = 0.0;
    double sxx = 0.0;
    double syy = 0.0;
    for (int i = 1; i <= n; ++i) {
        const double dx = x[i] - mx;
        const double dy = y[i] - my;
        sxy += dx * dy;
        sxx += dx * dx;
        syy += dy * dy;
    }
    return sxy / std::sqrt(sxx * syy);
}

double log2_pearson_r(series<const double> x, series<const double> y, int n) {
    const double ln2 = std::log(2.0);
    double sum_x = 0.0;
    double sum_y = 0.0;
    int m = 0;
    for (int i = 1; i <= n; ++i) {
        if (x[i] > 0.0 && y[i] > 0.0) {
            sum_x += std::log(x[i]) / ln2;
            sum_y += std::log(y[i]) / ln2;
            ++m;
        }
    }
    const double mx = sum_x / m;
    const double my = sum_y / m;
    double sxy = 0.0;
    double sxx = 0.0;
    double syy = 0.0;
    for (int i = 1; i <= n; ++i) {
        if (x[i] > 0.0 && y[i] > 0.0) {
            const double dx = std::log(x[i]) / ln2 - mx;
            const double dy = std::log(y[i]) / ln2 - my;
            sxy += dx * dy;
            sxx += dx * dx;
            syy += dy * dy;
        }
    }
    return sxy / std::sqrt(sxx * syy);
}
