#include "numeric/correlation.hpp"

#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define SPOTWEAVE_WIDE_LANES 1
#endif
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

// Four files at a time go through the inner loops: their rows are laid side
// by side (four values per spot), and each lane of the two-double vectors
// carries one pair through exactly the scalar operations, in index order.
typedef double lanes __attribute__((vector_size(16)));
typedef long long lane_mask __attribute__((vector_size(16)));
constexpr int block = 4;
bool wide_lanes_allowed = true;

// rows j0..j0+3 of source side by side; rows past nf are filled with `fill`.
void interleave(const dmatrix_t& source, int nf, int n, int j0, double fill, double* side_by_side) {
    for (int p = 0; p < block; ++p) {
        const double* row = j0 + p <= nf ? source[j0 + p].data() : nullptr;
        for (int s = 0; s < n; ++s) side_by_side[block * s + p] = row != nullptr ? row[s] : fill;
    }
}

lanes load(const double* p) {
    lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// All bits set in the lanes where neither x nor y is not-a-number. `masked`
// keeps `term` there and gives +0.0 elsewhere: adding that to a sum that
// started at +0.0 leaves it exactly as if the term had been skipped.
#if defined(__SSE2__)
lanes both_numbers(lanes x, lanes y) { return reinterpret_cast<lanes>(_mm_cmpord_pd(x, y)); }
lanes masked(lanes term, lanes use) { return reinterpret_cast<lanes>(_mm_and_pd(term, use)); }
#else
lanes both_numbers(lanes x, lanes y) { return reinterpret_cast<lanes>((x == x) & (y == y)); }
lanes masked(lanes term, lanes use) {
    return reinterpret_cast<lanes>(reinterpret_cast<lane_mask>(term) & reinterpret_cast<lane_mask>(use));
}
#endif

// Spot s of row i against the four rows side by side, with the lanes where both have a logarithm.
struct spot_lanes {
    lanes x, y0, y1, u0, u1;
};
spot_lanes spot_at(const double* li, const double* side_by_side, int s) {
    spot_lanes v;
    v.x = lanes{li[s], li[s]};
    v.y0 = load(side_by_side + block * s);
    v.y1 = load(side_by_side + block * s + 2);
    v.u0 = both_numbers(v.x, v.y0);
    v.u1 = both_numbers(v.x, v.y1);
    return v;
}

// r of row li (logarithms, not-a-number where there is none) against the
// four rows side by side, two lanes at a time.
void log2_row_narrow(const double* li, const double* side, int n, double* r) {
    const lanes one = {1.0, 1.0};
    lanes sx0 = {0.0, 0.0}, sx1 = sx0, sy0 = sx0, sy1 = sx0, c0 = sx0, c1 = sx0;
    for (int s = 0; s < n; ++s) {
        const spot_lanes v = spot_at(li, side, s);
        const lanes x = v.x, y0 = v.y0, y1 = v.y1, u0 = v.u0, u1 = v.u1;
        sx0 += masked(x, u0);
        sx1 += masked(x, u1);
        sy0 += masked(y0, u0);
        sy1 += masked(y1, u1);
        c0 += masked(one, u0);
        c1 += masked(one, u1);
    }
    const lanes mx0 = sx0 / c0, mx1 = sx1 / c1, my0 = sy0 / c0, my1 = sy1 / c1;
    lanes sxy0 = {0.0, 0.0}, sxy1 = sxy0, sxx0 = sxy0, sxx1 = sxy0, syy0 = sxy0, syy1 = sxy0;
    for (int s = 0; s < n; ++s) {
        const spot_lanes v = spot_at(li, side, s);
        const lanes x = v.x, y0 = v.y0, y1 = v.y1, u0 = v.u0, u1 = v.u1;
        const lanes dx0 = x - mx0, dx1 = x - mx1, dy0 = y0 - my0, dy1 = y1 - my1;
        sxy0 += masked(dx0 * dy0, u0);
        sxy1 += masked(dx1 * dy1, u1);
        sxx0 += masked(dx0 * dx0, u0);
        sxx1 += masked(dx1 * dx1, u1);
        syy0 += masked(dy0 * dy0, u0);
        syy1 += masked(dy1 * dy1, u1);
    }
    for (int p = 0; p < block; ++p) {
        const double sxy = p < 2 ? sxy0[p] : sxy1[p - 2];
        const double xx = p < 2 ? sxx0[p] : sxx1[p - 2];
        const double yy = p < 2 ? syy0[p] : syy1[p - 2];
        r[p] = sxy / std::sqrt(xx * yy);
    }
}

// Sums of products of row di (deviations) with the four rows side by side.
void raw_row_narrow(const double* di, const double* side, int n, double* sxy) {
    lanes a0 = {0.0, 0.0}, a1 = {0.0, 0.0};
    for (int s = 0; s < n; ++s) {
        const lanes x = {di[s], di[s]};
        a0 += x * load(side + block * s);
        a1 += x * load(side + block * s + 2);
    }
    sxy[0] = a0[0];
    sxy[1] = a0[1];
    sxy[2] = a1[0];
    sxy[3] = a1[1];
}

#if defined(SPOTWEAVE_WIDE_LANES)
// The same with four lanes in one 256-bit vector, where the processor has
// them: each lane still does exactly the scalar operations, in index order.
__attribute__((target("avx2"))) void log2_row_wide(const double* li, const double* side, int n, double* r) {
    const __m256d one = _mm256_set1_pd(1.0);
    __m256d sx = _mm256_setzero_pd(), sy = sx, c = sx;
    for (int s = 0; s < n; ++s) {
        const __m256d x = _mm256_set1_pd(li[s]);
        const __m256d y = _mm256_loadu_pd(side + block * s);
        const __m256d u = _mm256_cmp_pd(x, y, _CMP_ORD_Q);
        sx = _mm256_add_pd(sx, _mm256_and_pd(x, u));
        sy = _mm256_add_pd(sy, _mm256_and_pd(y, u));
        c = _mm256_add_pd(c, _mm256_and_pd(one, u));
    }
    const __m256d mx = _mm256_div_pd(sx, c), my = _mm256_div_pd(sy, c);
    __m256d sxy = _mm256_setzero_pd(), sxx = sxy, syy = sxy;
    for (int s = 0; s < n; ++s) {
        const __m256d x = _mm256_set1_pd(li[s]);
        const __m256d y = _mm256_loadu_pd(side + block * s);
        const __m256d u = _mm256_cmp_pd(x, y, _CMP_ORD_Q);
        const __m256d dx = _mm256_sub_pd(x, mx), dy = _mm256_sub_pd(y, my);
        sxy = _mm256_add_pd(sxy, _mm256_and_pd(_mm256_mul_pd(dx, dy), u));
        sxx = _mm256_add_pd(sxx, _mm256_and_pd(_mm256_mul_pd(dx, dx), u));
        syy = _mm256_add_pd(syy, _mm256_and_pd(_mm256_mul_pd(dy, dy), u));
    }
    double a[block], b[block], d[block];
    _mm256_storeu_pd(a, sxy);
    _mm256_storeu_pd(b, sxx);
    _mm256_storeu_pd(d, syy);
    for (int p = 0; p < block; ++p) r[p] = a[p] / std::sqrt(b[p] * d[p]);
}

__attribute__((target("avx2"))) void raw_row_wide(const double* di, const double* side, int n, double* sxy) {
    __m256d a = _mm256_setzero_pd();
    for (int s = 0; s < n; ++s)
        a = _mm256_add_pd(a, _mm256_mul_pd(_mm256_set1_pd(di[s]), _mm256_loadu_pd(side + block * s)));
    _mm256_storeu_pd(sxy, a);
}

bool wide_lanes() { return wide_lanes_allowed && __builtin_cpu_supports("avx2"); }
#else
void log2_row_wide(const double* li, const double* side, int n, double* r) { log2_row_narrow(li, side, n, r); }
void raw_row_wide(const double* di, const double* side, int n, double* sxy) { raw_row_narrow(di, side, n, sxy); }
bool wide_lanes() { return false; }
#endif

void store_block(dmatrix_t& cor, int i, int j0, int nf, const double* r) {
    for (int p = 0; p < block; ++p)
        if (j0 + p <= nf && i < j0 + p) cor[i][j0 + p] = r[p];
}

}  // namespace

void allow_wide_lanes(bool allowed) { wide_lanes_allowed = allowed; }

void pearson_r_pairs(const dmatrix_t& rows, int nf, int n, dmatrix_t& cor, dmatrix_t& scratch) {
    if (nf < 2) return;
    dvector_t sxx = dvector(1, nf + block);
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
    dvector_t side = dvector(0, block * n);
    const auto raw_row = wide_lanes() ? raw_row_wide : raw_row_narrow;
    for (int j0 = 2; j0 <= nf; j0 += block) {
        interleave(scratch, nf, n, j0, 0.0, side.data());
        for (int i = 1; i < j0 + block - 1 && i < nf; ++i) {
            double sxy[block], r[block];
            raw_row(scratch[i].data(), side.data(), n, sxy);
            for (int p = 0; p < block; ++p) r[p] = j0 + p <= nf ? sxy[p] / std::sqrt(sxx[i] * sxx[j0 + p]) : 0.0;
            store_block(cor, i, j0, nf, r);
        }
    }
    dvector_free(side, 0, block * n);
    dvector_free(sxx, 1, nf + block);
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
    dvector_t side = dvector(0, block * n);
    const auto log2_row = wide_lanes() ? log2_row_wide : log2_row_narrow;
    for (int j0 = 2; j0 <= nf; j0 += block) {
        interleave(scratch, nf, n, j0, not_used, side.data());
        for (int i = 1; i < j0 + block - 1 && i < nf; ++i) {
            double r[block];
            log2_row(scratch[i].data(), side.data(), n, r);
            store_block(cor, i, j0, nf, r);
        }
    }
    dvector_free(side, 0, block * n);
}
