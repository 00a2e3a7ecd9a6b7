// Robust locally weighted linear regression of a scatterplot (LOWESS).
#pragma once

#include <span>

// Number of points in each neighbourhood for span f over n points:
// floor(f * n), at least 2 and at most n. Example: 0.3 over 1000 points gives 300.
int lowess_neighbours(double f, int n);

// Fits y on x by Cleveland's LOWESS (JASA 74, 1979, p. 829; the program of
// The American Statistician 35, 1981, p. 54) into fitted[0..n-1]. x must be
// ascending (ties allowed), all values finite, iterations at least 1. span is
// the fraction of the points in each neighbourhood (lowess_neighbours),
// iterations the number of fits in all: iterations - 1 robustness steps with
// bisquare weights cut at six times the median absolute residual, which stop
// early when that median is below 1e-7 of the mean absolute residual. The
// local line is computed at the first point, then at points at most delta
// apart and at the last point, and interpolated linearly between them; tied x
// share one fit. Gives the same bits as R's lowess(x, y, f = span,
// iter = iterations - 1, delta).
// Check: x = 1..10, y = 2x + 1 and one iteration give y back; x = 0..29,
// y = x/2 + 0.1 (-1)^x but 40 at x = 15, span 0.5 and delta 0 give 11.524 at
// x = 15 with one iteration and 7.513 with four (the outlier's weight is 0).
void lowess(std::span<const double> x, std::span<const double> y, double span, int iterations, double delta,
            std::span<double> fitted);
