#include "numeric/correlation_sweeps.hpp"

#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define SPOTWEAVE_WIDE_LANES 1
#endif

#include "numeric/lanes.hpp"

namespace {

// Four files at a time go through the inner loops: their rows are laid side
// by side (four values per spot), and each lane of the two-double vectors
// carries one pair through exactly the scalar operations, in index order.
typedef double lanes __attribute__((vector_size(16)));
typedef long long lane_mask __attribute__((vector_size(16)));

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
    v.y0 = load(side_by_side + sweep_block * s);
    v.y1 = load(side_by_side + sweep_block * s + 2);
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
    for (int p = 0; p < sweep_block; ++p) {
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
        a0 += x * load(side + sweep_block * s);
        a1 += x * load(side + sweep_block * s + 2);
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
        const __m256d y = _mm256_loadu_pd(side + sweep_block * s);
        const __m256d u = _mm256_cmp_pd(x, y, _CMP_ORD_Q);
        sx = _mm256_add_pd(sx, _mm256_and_pd(x, u));
        sy = _mm256_add_pd(sy, _mm256_and_pd(y, u));
        c = _mm256_add_pd(c, _mm256_and_pd(one, u));
    }
    const __m256d mx = _mm256_div_pd(sx, c), my = _mm256_div_pd(sy, c);
    __m256d sxy = _mm256_setzero_pd(), sxx = sxy, syy = sxy;
    for (int s = 0; s < n; ++s) {
        const __m256d x = _mm256_set1_pd(li[s]);
        const __m256d y = _mm256_loadu_pd(side + sweep_block * s);
        const __m256d u = _mm256_cmp_pd(x, y, _CMP_ORD_Q);
        const __m256d dx = _mm256_sub_pd(x, mx), dy = _mm256_sub_pd(y, my);
        sxy = _mm256_add_pd(sxy, _mm256_and_pd(_mm256_mul_pd(dx, dy), u));
        sxx = _mm256_add_pd(sxx, _mm256_and_pd(_mm256_mul_pd(dx, dx), u));
        syy = _mm256_add_pd(syy, _mm256_and_pd(_mm256_mul_pd(dy, dy), u));
    }
    double a[sweep_block], b[sweep_block], d[sweep_block];
    _mm256_storeu_pd(a, sxy);
    _mm256_storeu_pd(b, sxx);
    _mm256_storeu_pd(d, syy);
    for (int p = 0; p < sweep_block; ++p) r[p] = a[p] / std::sqrt(b[p] * d[p]);
}

__attribute__((target("avx2"))) void raw_row_wide(const double* di, const double* side, int n, double* sxy) {
    __m256d a = _mm256_setzero_pd();
    for (int s = 0; s < n; ++s)
        a = _mm256_add_pd(a, _mm256_mul_pd(_mm256_set1_pd(di[s]), _mm256_loadu_pd(side + sweep_block * s)));
    _mm256_storeu_pd(sxy, a);
}

#endif

}  // namespace

// The one place that picks the lanes; asked at every pair sweep, so a test can
// switch between them.
pair_sweeps chosen_sweeps() {
#if defined(SPOTWEAVE_WIDE_LANES)
    if (wide_lanes()) return {raw_row_wide, log2_row_wide};
#endif
    return {raw_row_narrow, log2_row_narrow};
}
