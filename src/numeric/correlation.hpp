// Pearson correlation coefficients over two 1-based series of equal length.
#pragma once

#include "numeric/containers.hpp"

// r of x[1..n] with y[1..n]: means first, then sxy, sxx, syy in index order,
// r = sxy / sqrt(sxx * syy). No spread or n = 0 gives not-a-number.
// Example: 1, 2, 3 against 2, 4, 6 gives 1.
double pearson_r(series<const double> x, series<const double> y, int n);

// r of log2 x[i] with log2 y[i] over the positions where both are > 0; the
// inputs are left unchanged. Example: 1, 2, 4, -1 against 2, 4, 8, 3 gives 1.
double log2_pearson_r(series<const double> x, series<const double> y, int n);

// r of x[i] with y[i] over the positions where neither is not-a-number (R's
// cor(x, y, use = "complete.obs")): the sums of log2_pearson_r, on the
// values themselves. Example: 1, 2, NaN, 3 against 2, 4, 5, 6 gives 1.
double pearson_r_complete(series<const double> x, series<const double> y, int n);

// The same coefficients for every pair of rows i < j of rows (1..nf x 1..n),
// written to cor[i][j], bit for bit equal to pearson_r and log2_pearson_r on
// the two rows: what does not depend on the pair (means, deviations, sums of
// squares, logarithms) is computed once per row into scratch (1..nf x 1..n),
// and several pairs advance in one sweep, each sum still in index order. On
// up to `threads` threads, the same bits at any count.
void pearson_r_pairs(const dmatrix_t& rows, int nf, int n, dmatrix_t& cor, dmatrix_t& scratch, int threads);
void log2_pearson_r_pairs(const dmatrix_t& rows, int nf, int n, dmatrix_t& cor, dmatrix_t& scratch, int threads);
void pearson_r_complete_pairs(const dmatrix_t& rows, int nf, int n, dmatrix_t& cor, dmatrix_t& scratch, int threads);
