#include "numeric/correlation.hpp"

#include <cmath>
#include <limits>

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

namespace {
constexpr int sweep = 4;  // pairs advanced together
}  // namespace

void pearson_r_pairs(const dmatrix_t& rows, int nf, int n, dmatrix_t& cor, dmatrix_t& scratch) {
    dvector_t sxx = dvector(1, nf);
    for (int f = 1; f <= nf; ++f) {
        const double* x = rows[f].data();
        double* d = scratch[f].data();
        double sum = 0.0;
        for (int s = 0; s < n; ++s) sum += x[s];
        const double m = sum / n;
        double q = 0.0;
        for (int s = 0; s < n; ++s) {
            d[s] = x[s] - m;
            q += d[s] * d[s];
        }
        sxx[f] = q;
    }
    for (int i = 1; i <= nf - 1; ++i) {
        const double* di = scratch[i].data();
        int j = i + 1;
        for (; j + sweep - 1 <= nf; j += sweep) {
            const double* d0 = scratch[j].data();
            const double* d1 = scratch[j + 1].data();
            const double* d2 = scratch[j + 2].data();
            const double* d3 = scratch[j + 3].data();
            double a0 = 0.0, a1 = 0.0, a2 = 0.0, a3 = 0.0;
            for (int s = 0; s < n; ++s) {
                const double x = di[s];
                a0 += x * d0[s];
                a1 += x * d1[s];
                a2 += x * d2[s];
                a3 += x * d3[s];
            }
            cor[i][j] = a0 / std::sqrt(sxx[i] * sxx[j]);
            cor[i][j + 1] = a1 / std::sqrt(sxx[i] * sxx[j + 1]);
            cor[i][j + 2] = a2 / std::sqrt(sxx[i] * sxx[j + 2]);
            cor[i][j + 3] = a3 / std::sqrt(sxx[i] * sxx[j + 3]);
        }
        for (; j <= nf; ++j) {
            const double* dj = scratch[j].data();
            double a = 0.0;
            for (int s = 0; s < n; ++s) a += di[s] * dj[s];
            cor[i][j] = a / std::sqrt(sxx[i] * sxx[j]);
        }
    }
    dvector_free(sxx, 1, nf);
}

namespace {

// Sums over the positions where both logarithms exist (not-a-number marks the
// others). Adding 0.0 in place of a skipped term leaves a sum that started at
// +0.0 exactly as it was, so the sums equal those of the plain routine.
template <int k>
void log2_sweep(const double* li, const double* const* lj, int n, double* r) {
    double sx[k], sy[k], count[k];
    for (int p = 0; p < k; ++p) sx[p] = sy[p] = count[p] = 0.0;
    for (int s = 0; s < n; ++s) {
        const double x = li[s];
        for (int p = 0; p < k; ++p) {
            const double y = lj[p][s];
            const bool use = x == x && y == y;
            sx[p] += use ? x : 0.0;
            sy[p] += use ? y : 0.0;
            count[p] += use ? 1.0 : 0.0;
        }
    }
    double mx[k], my[k], sxy[k], sxx[k], syy[k];
    for (int p = 0; p < k; ++p) {
        const int m = static_cast<int>(count[p]);
        mx[p] = sx[p] / m;
        my[p] = sy[p] / m;
        sxy[p] = sxx[p] = syy[p] = 0.0;
    }
    for (int s = 0; s < n; ++s) {
        const double x = li[s];
        for (int p = 0; p < k; ++p) {
            const double y = lj[p][s];
            const bool use = x == x && y == y;
            const double dx = x - mx[p];
            const double dy = y - my[p];
            sxy[p] += use ? dx * dy : 0.0;
            sxx[p] += use ? dx * dx : 0.0;
            syy[p] += use ? dy * dy : 0.0;
        }
    }
    for (int p = 0; p < k; ++p) r[p] = sxy[p] / std::sqrt(sxx[p] * syy[p]);
}

}  // namespace

void log2_pearson_r_pairs(const dmatrix_t& rows, int nf, int n, dmatrix_t& cor, dmatrix_t& scratch) {
    const double ln2 = std::log(2.0);
    const double not_used = std::numeric_limits<double>::quiet_NaN();
    for (int f = 1; f <= nf; ++f) {
        const double* x = rows[f].data();
        double* l = scratch[f].data();
        for (int s = 0; s < n; ++s) l[s] = x[s] > 0.0 ? std::log(x[s]) / ln2 : not_used;
    }
    for (int i = 1; i <= nf - 1; ++i) {
        const double* li = scratch[i].data();
        int j = i + 1;
        for (; j + sweep - 1 <= nf; j += sweep) {
            const double* lj[sweep] = {scratch[j].data(), scratch[j + 1].data(), scratch[j + 2].data(),
                                       scratch[j + 3].data()};
            double r[sweep];
            log2_sweep<sweep>(li, lj, n, r);
            for (int p = 0; p < sweep; ++p) cor[i][j + p] = r[p];
        }
        for (; j <= nf; ++j) {
            const double* lj[1] = {scratch[j].data()};
            double r[1];
            log2_sweep<1>(li, lj, n, r);
            cor[i][j] = r[0];
        }
    }
}
