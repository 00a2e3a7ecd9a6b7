// Two-sample Kolmogorov-Smirnov statistic of one file's M values against the
// M values of all files pooled.
#pragma once

#include <vector>

// The values of rows[0..files-1] (each `spots` long) that are not
// not-a-number, sorted ascending: the pooled sample, sorted once per run.
std::vector<double> pooled_sorted(const double* const* rows, int files, int spots);

// Two-sample Kolmogorov-Smirnov D (Smirnov's statistic of any textbook, e.g.
// Conover, Practical Nonparametric Statistics) of the values of x[0..n-1] that are not
// not-a-number against pooled[0..pooled_n-1], sorted ascending, without
// not-a-number: the largest |F_x(t) - F_pooled(t)| of the two empirical
// distribution functions, as R's ks.test(x, y)$statistic gives it, ties
// included (both functions jump by a tie group's whole count). Either sample
// empty gives not-a-number. The counts are whole numbers and D is one
// division of the largest |c_x N - c_pooled n| by n N, so it is correctly
// rounded. O(n log n + n log N): only the pooled counts at x's values and
// just below them are looked up. Example: x = 1, 2 against 1, 2, 3, 4 gives 0.5.
double ks_statistic(const double* x, int n, const double* pooled, int pooled_n);
