#include "numeric/correlation.hpp"

#include <cmath>
#include <limits>

#include "numeric/correlation_sweeps.hpp"

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

// rows j0..j0+3 of source side by side; rows past nf are filled with `fill`.
void interleave(const dmatrix_t& source, int nf, int n, int j0, double fill, double* side_by_side) {
    for (int p = 0; p < sweep_block; ++p) {
        const double* row = j0 + p <= nf ? source[j0 + p].data() : nullptr;
        for (int s = 0; s < n; ++s) side_by_side[sweep_block * s + p] = row != nullptr ? row[s] : fill;
    }
}

void store_block(dmatrix_t& cor, int i, int j0, int nf, const double* r) {
    for (int p = 0; p < sweep_block; ++p)
        if (j0 + p <= nf && i < j0 + p) cor[i][j0 + p] = r[p];
}

}  // namespace

void pearson_r_pairs(const dmatrix_t& rows, int nf, int n, dmatrix_t& cor, dmatrix_t& scratch) {
    if (nf < 2) return;
    dvector_t sxx = dvector(1, nf + sweep_block);
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
    dvector_t side = dvector(0, sweep_block * n);
    const raw_sweep raw_row = chosen_sweeps().raw_row;
    for (int j0 = 2; j0 <= nf; j0 += sweep_block) {
        interleave(scratch, nf, n, j0, 0.0, side.data());
        for (int i = 1; i < j0 + sweep_block - 1 && i < nf; ++i) {
            double sxy[sweep_block], r[sweep_block];
            raw_row(scratch[i].data(), side.data(), n, sxy);
            for (int p = 0; p < sweep_block; ++p)
                r[p] = j0 + p <= nf ? sxy[p] / std::sqrt(sxx[i] * sxx[j0 + p]) : 0.0;
            store_block(cor, i, j0, nf, r);
        }
    }
    dvector_free(side, 0, sweep_block * n);
    dvector_free(sxx, 1, nf + sweep_block);
}

void log2_pearson_r_pairs(const dmatrix_t& rows, int nf, int n, dmatrix_t& cor, dmatrix_t& scratch) {
    if (nf < 2) return;
    const double ln2 = std::log(2.0);
    const double not_used = std::numeric_limits<double>::quiet_NaN();
    for (int f = 1; f <= nf; ++f) {
        const double* x = rows[f].data();
        double* l = scratch[f].data();
        for (int s = 0; s < n; ++s) l[s] = x[s] > 0.0 ? std::log(x[s]) / ln2 : not_used;
    }
    dvector_t side = dvector(0, sweep_block * n);
    const log2_sweep log2_row = chosen_sweeps().log2_row;
    for (int j0 = 2; j0 <= nf; j0 += sweep_block) {
        interleave(scratch, nf, n, j0, not_used, side.data());
        for (int i = 1; i < j0 + sweep_block - 1 && i < nf; ++i) {
            double r[sweep_block];
            log2_row(scratch[i].data(), side.data(), n, r);
            store_block(cor, i, j0, nf, r);
        }
    }
    dvector_free(side, 0, sweep_block * n);
}
