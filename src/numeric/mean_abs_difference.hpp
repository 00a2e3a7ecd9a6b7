// Distance between slides: how far one file's M values lie from the others'.
#pragma once

// Mean of |a[s] - b[s]| over the spots s = 0..n-1 where neither value is
// not-a-number, summed in spot order; not-a-number when no spot has both.
// The same bits whichever file is a and which b. Example: 1, 2, NaN, 4
// against 2, 0, 5, 4 gives (1 + 2 + 0) / 3 = 1.
double mean_abs_difference(const double* a, const double* b, int n);

// Distance of file i (0-based) among `files`: the sum over j = 0..files-1,
// j != i, in that order, of the pair means, read from the upper triangle of
// the row-major files x files matrix pair_means (entry min(i, j), max(i, j);
// the rest is not read). A pair without common spots makes it not-a-number.
double file_distance(const double* pair_means, int files, int i);

// Every file's distance, one pair after another on the calling thread, into
// distance[0..files-1]: the plain form of what a caller spreads over threads
// by pairs.
void file_distances(const double* const* rows, int files, int spots, double* distance);
