// One MA picture of a file condensed for the page: its spots counted on a
// grid of A and M, and the loess curve of M on A. A few kilobytes, whatever
// the spot count.
#pragma once

#include <vector>

#include "numeric/level_raster.hpp"

// The axes every MA picture shares.
constexpr double ma_a_low = 0.0, ma_a_high = 16.0, ma_m_limit = 4.0;
// Density levels 0..11: 1, 2-3, 4-7, ... spots in a cell.
constexpr int density_levels = 12;
// The curve is fitted on at most this many spots (every k-th in A order).
constexpr int curve_sample_limit = 5000;
// Fewer spots than this get no curve.
constexpr int curve_minimum = 10;

struct ma_density {
    level_raster bins;  // density levels; column 0 at A = ma_a_low, row 0 at the top (M = +ma_m_limit)
    int spots = 0;      // spots counted
    int fitted = 0;     // spots the curve was fitted on; 0: no curve
    // The curve at its first fitted A, at the centres of the A columns within
    // the fitted range, and at its last fitted A; M not clamped.
    std::vector<double> curve_a, curve_m;
};

// Spots (A, M) gathered for one picture, in spot order.
struct ma_points {
    std::vector<double> a, m;
    void clear() {
        a.clear();
        m.clear();
    }
};

// The density level of a cell holding `count` spots (count >= 1): floor(log2), at most density_levels - 1.
int density_level(int count);

// Counts the points on a grid of `columns` x `rows` cells over A from ma_a_low
// to ma_a_high and M from -ma_m_limit to +ma_m_limit (values outside on the
// edge cells) into d.bins, as density levels, and d.spots.
void bin_points(const ma_points& p, int columns, int rows, ma_density& d);

// Fits M on A by lowess (span 0.3, 4 iterations, delta 1 % of the range of A,
// as the loess normalisation) on every k-th point in A order, k the smallest
// leaving at most curve_sample_limit; ties in A keep spot order. Fills
// d.fitted and the curve at the centres of `columns` A columns; no curve for
// fewer than curve_minimum points. `order` is working room.
void fit_curve(const ma_points& p, int columns, ma_density& d, std::vector<int>& order);
