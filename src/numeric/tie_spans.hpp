// Ranks with ties shared out, kept as whole numbers so that sums of ranks and
// counts built on them stay exact.
#pragma once

// For each v[k], k = 0..n-1 (no not-a-number among them): first[k] is 1 plus
// the number of values below v[k], last[k] the number of values at most v[k];
// a value's ties span first..last in sorted order. (first + last) / 2 is the
// midrank, R's rank() with ties "average". Example: 3, 1, 3, 2 gives first
// 3, 1, 3, 2 and last 4, 1, 4, 2, midranks 3.5, 1, 3.5, 2. -0 and +0 tie.
void tie_spans(const double* v, int n, int* first, int* last);
