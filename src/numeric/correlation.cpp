#include "numeric/correlation.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "numeric/correlation_sweeps.hpp"
#include "run/workers.hpp"

namespace {

// Pearson's r over the spots where keep(x, y) holds, of value(x) and value(y):
// the one pair of passes behind the three plain routines below.
template <class Keep, class Value>
double pearson_where(series<const double> x, series<const double> y, int n, Keep keep, Value value) {
    double sum_x = 0.0;
    double sum_y = 0.0;
    int m = 0;
    for (int i = 1; i <= n; ++i) {
        if (keep(x[i], y[i])) {
            sum_x += value(x[i]);
            sum_y += value(y[i]);
            ++m;
        }
    }
    const double mx = sum_x / m;
    const double my = sum_y / m;
    double sxy = 0.0;
    double sxx = 0.0;
    double syy = 0.0;
    for (int i = 1; i <= n; ++i) {
        if (keep(x[i], y[i])) {
            const double dx = value(x[i]) - mx;
            const double dy = value(y[i]) - my;
            sxy += dx * dy;
            sxx += dx * dx;
            syy += dy * dy;
        }
    }
    return sxy / std::sqrt(sxx * syy);
}

double itself(double v) { return v; }

}  // namespace

double pearson_r(series<const double> x, series<const double> y, int n) {
    return pearson_where(
        x, y, n, [](double, double) { return true; }, itself);
}

double log2_pearson_r(series<const double> x, series<const double> y, int n) {
    const double ln2 = std::log(2.0);
    return pearson_where(
        x, y, n, [](double a, double b) { return a > 0.0 && b > 0.0; }, [ln2](double v) { return std::log(v) / ln2; });
}

double pearson_r_complete(series<const double> x, series<const double> y, int n) {
    return pearson_where(
        x, y, n, [](double a, double b) { return !std::isnan(a) && !std::isnan(b); }, itself);
}

namespace {

// Spots from..to-1 of rows j0..j0+3 of source side by side; rows past nf are filled with `fill`.
void interleave(const dmatrix_t& source, int nf, int from, int to, int j0, double fill, double* side_by_side) {
    for (int p = 0; p < sweep_block; ++p) {
        const double* row = j0 + p <= nf ? source[j0 + p].data() : nullptr;
        for (int s = from; s < to; ++s) side_by_side[sweep_block * s + p] = row != nullptr ? row[s] : fill;
    }
}

void store_block(dmatrix_t& cor, int i, int j0, int nf, const double* r) {
    for (int p = 0; p < sweep_block; ++p)
        if (j0 + p <= nf && i < j0 + p) cor[i][j0 + p] = r[p];
}

// Runs sweep(i, j0, side, r) for every pair i < j, one block of four rows
// j0..j0+3 at a time: the block is laid side by side once, in parallel, then
// its rows i go to the threads one by one. Every coefficient is one pair's
// own sums, so how the rows are shared out cannot change a bit of it, and the
// memory is one block whatever the thread count.
template <class Sweep>
void sweep_pairs(const dmatrix_t& rows, int nf, int n, double fill, dmatrix_t& cor, int threads, Sweep sweep) {
    dvector_t side = dvector(0, sweep_block * n);
    for (int j0 = 2; j0 <= nf; j0 += sweep_block) {
        parallel_ranges(threads, n, range_size(threads, n, 1 << 14), [&](int first, int last, int) {
            interleave(rows, nf, first - 1, last, j0, fill, side.data());
        });
        const int last_i = std::min(j0 + sweep_block - 2, nf - 1);
        parallel_for(threads, last_i, [&](int item, int) {
            double r[sweep_block];
            sweep(item + 1, j0, side.data(), r);
            store_block(cor, item + 1, j0, nf, r);
        });
    }
    dvector_free(side, 0, sweep_block * n);
}

}  // namespace

void pearson_r_pairs(const dmatrix_t& rows, int nf, int n, dmatrix_t& cor, dmatrix_t& scratch, int threads) {
    if (nf < 2) return;
    dvector_t sxx = dvector(1, nf + sweep_block);
    parallel_for(threads, nf, [&](int item, int) {
        const int f = item + 1;
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
    });
    const raw_sweep raw_row = chosen_sweeps().raw_row;
    sweep_pairs(scratch, nf, n, 0.0, cor, threads, [&](int i, int j0, const double* side, double* r) {
        double sxy[sweep_block];
        raw_row(scratch[i].data(), side, n, sxy);
        for (int p = 0; p < sweep_block; ++p) r[p] = j0 + p <= nf ? sxy[p] / std::sqrt(sxx[i] * sxx[j0 + p]) : 0.0;
    });
    dvector_free(sxx, 1, nf + sweep_block);
}

void log2_pearson_r_pairs(const dmatrix_t& rows, int nf, int n, dmatrix_t& cor, dmatrix_t& scratch, int threads) {
    if (nf < 2) return;
    const double ln2 = std::log(2.0);
    const double not_used = std::numeric_limits<double>::quiet_NaN();
    parallel_for(threads, nf, [&](int item, int) {
        const double* x = rows[item + 1].data();
        double* l = scratch[item + 1].data();
        for (int s = 0; s < n; ++s) l[s] = x[s] > 0.0 ? std::log(x[s]) / ln2 : not_used;
    });
    const log2_sweep log2_row = chosen_sweeps().log2_row;
    sweep_pairs(scratch, nf, n, not_used, cor, threads,
                [&](int i, int, const double* side, double* r) { log2_row(scratch[i].data(), side, n, r); });
}

void pearson_r_complete_pairs(const dmatrix_t& rows, int nf, int n, dmatrix_t& cor, dmatrix_t& scratch, int threads) {
    if (nf < 2) return;
    parallel_for(threads, nf, [&](int item, int) {
        const double* x = rows[item + 1].data();
        double* l = scratch[item + 1].data();
        for (int s = 0; s < n; ++s) l[s] = x[s];
    });
    const log2_sweep log2_row = chosen_sweeps().log2_row;
    sweep_pairs(scratch, nf, n, std::numeric_limits<double>::quiet_NaN(), cor, threads,
                [&](int i, int, const double* side, double* r) { log2_row(scratch[i].data(), side, n, r); });
}
