// Mapping data to the page: linear scales, round tick values, colour scales.
#pragma once

#include <vector>

#include "plot/svg.hpp"

// Maps [d0, d1] onto [r0, r1] linearly; d0 == d1 maps everything to r0.
struct linear_scale {
    double d0 = 0, d1 = 1, r0 = 0, r1 = 1;
    double operator()(double v) const;
};

// Round values (1, 2 or 5 times a power of ten apart) inside [lo, hi], about
// `count` of them; empty when the range is not finite or lo > hi.
std::vector<double> nice_ticks(double lo, double hi, int count);

// Blue (t = -1) through white (0) to red (+1); t is clamped to [-1, 1].
colour diverging_colour(double t);

// From pale (t = 0) to dark blue (t = 1); t is clamped to [0, 1].
colour sequential_colour(double t);

// The same from pale to dark orange, for what is set apart.
colour warm_colour(double t);

// The grey of a missing value.
constexpr colour missing_grey{200, 200, 200};
