// Normalisation of the log-ratios of two-colour slides: within each file (a
// trend in M removed) and between files (M scaled to a common spread), as
// limma's normalizeWithinArrays and normalizeBetweenArrays(method = "scale")
// describe them (Yang et al., Nucleic Acids Research 30, 2002, e15; Smyth and
// Speed, Methods 31, 2003, p. 265).
#pragma once

#include <span>

enum class within_array_method { median, loess, print_tip_loess };

// The lowess settings of the loess methods (limma's defaults).
struct loess_settings {
    double span = 0.3;
    int iterations = 4;
};

// The trend within-array normalisation takes out of one file's log-ratios,
// spot by spot, into trend (m, a, block and trend of one length; NaN marks a
// missing value):
//   median: the median of the M values that are not NaN, at each of those
//     spots (A is not looked at; infinite M values count);
//   loess: the lowess fit of M on A over the spots whose M and A are both
//     finite, at those spots;
//   print_tip_loess: the same fit within each block (the spots of one
//     block[s] value, wherever they lie) separately.
// Everywhere else the trend is NaN. The fit is the curve a plot of M against
// A draws; subtract_trend turns M into the normalised M. The loess fits are
// lowess with delta 1/100 of the range of the A values fitted, ties in A in
// spot order. A block of fewer than 3 / span spots has neighbourhoods of two
// points, so each spot is its own fit and its M becomes 0 (unless its A ties
// with another's or lies within that delta of it), as in limma.
// Check: M = 1, 3, NaN, 10 gives a median trend of 3, 3, NaN, 3.
void within_array_trend(within_array_method method, std::span<const double> m, std::span<const double> a,
                        std::span<const int> block, std::span<double> trend, const loess_settings& settings = {});

// m[s] -= trend[s] for every spot; NaN where either is NaN.
void subtract_trend(std::span<double> m, std::span<const double> trend);

// Median of |v[s]| over the values that are not NaN (mean of the two middle
// ones for an even count); NaN when there are none. Example: -4, 1, NaN, 2
// gives 2.
double median_abs_value(std::span<const double> v);

// exp of the mean of the logarithms, summed in index order with one pass of
// correction; a zero gives 0 and a NaN gives NaN (as R's exp(mean(log(x)))).
// Example: 1, 4 gives 2.
double geometric_mean(std::span<const double> values);

// Between-file scale normalisation, one file: v[s] *= target / median_abs
// (median_abs of this file, target the geometric mean of every file's
// median_abs). Applied to M; limma applies it to A as well.
void scale_to_common(std::span<double> v, double median_abs, double target);

// The whole between-file scale step over the files' M columns, in file order:
// each file's median |M|, their geometric mean, then every file scaled. As in
// limma, a file without any value or with median |M| of 0 spoils every file
// (NaN, or 0 and NaN). Check: files 1, -1 and 4, -4 both become 2, -2.
void scale_between_arrays(std::span<const std::span<double>> files);
