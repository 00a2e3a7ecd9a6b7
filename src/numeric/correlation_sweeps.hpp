// The vector sweeps behind the pair coefficients, inside the numeric layer and
// its tests only: one row against four rows laid side by side (four values per
// spot), each lane carrying one pair through exactly the scalar operations of
// pearson_r and log2_pearson_r, in index order.
#pragma once

constexpr int sweep_block = 4;

// Sums of products of row di[0..n-1] (deviations from its mean) with the four
// rows side by side.
using raw_sweep = void (*)(const double* di, const double* side, int n, double* sxy);
// r of row li[0..n-1] (logarithms, not-a-number where there is none) with the
// four rows side by side.
using log2_sweep = void (*)(const double* li, const double* side, int n, double* r);

struct pair_sweeps {
    raw_sweep raw_row;
    log2_sweep log2_row;
};

// 256-bit lanes where the processor has AVX2 and they are allowed, else
// 128-bit ones; both give the same bits.
pair_sweeps chosen_sweeps();
