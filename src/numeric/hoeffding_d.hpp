// Hoeffding's test of independence as a per-file quality statistic: how far
// the joint distribution of (A, M) is from the product of its margins.
#pragma once

// Hoeffding's D (Hoeffding 1948) of the pairs (x[k], y[k]), k = 0..n-1, taken
// over the pairs where neither value is not-a-number, with the tie-corrected
// bivariate ranks of Hollander & Wolfe (midranks R, S; Q = 1 + the pairs
// below in both coordinates, a pair tied in one coordinate and below in the
// other counting 1/2, a pair tied in both 1/4), scaled by 30 so that complete
// dependence gives 1 (range -0.5..1), as R's Hmisc hoeffd(x, y)$D[1, 2]:
//   D = 30 [(m-2)(m-3) D1 + D2 - 2(m-2) D3] / [m(m-1)(m-2)(m-3)(m-4)],
//   D1 = sum (Q-1)(Q-2), D2 = sum (R-1)(R-2)(S-1)(S-2), D3 = sum (R-2)(S-2)(Q-1).
// Fewer than 5 pairs give not-a-number. O(m log m): the counts behind Q come
// from one sweep in x order over a Fenwick tree of y ranks, exact in integers;
// the three sums are added in input order.
// Examples: x = y = 1..6 gives 1; x = 1, 1, 1, 1, 1, 1 with y = 1..6 gives -0.625.
double hoeffding_d(const double* x, const double* y, int n);
