// Spatial structure of a slide: the share of the power of its rank-transformed
// M values, laid out on the slide, that lies in the lowest spatial frequencies.
// A gradient or a blotch across the slide scores near 1, a slide whose values
// do not depend on the place scores near 0.
#pragma once

// Frequencies up to this many cycles across the slide, in each direction,
// count as low.
constexpr int spatial_cutoff = 3;

// Spots per grid cell, on average. Cells of about 2 x 2 spots leave few of
// them empty where the grid does not line up with the spot pitch or falls
// into the gaps between blocks; an empty cell among full ones moves power to
// high frequencies (on 48 blocks of 24 x 48 spots, a gradient along the
// slide keeps 56% of its power low at one spot per cell, 74% at four).
constexpr double spatial_spots_per_cell = 4.0;

// Cells of the grid the spots are laid out on: nx along X, ny along Y.
struct spatial_grid {
    int nx;
    int ny;
};

// The grid for `spots` spots spread over x_range by y_range: c = spots /
// spatial_spots_per_cell cells, as long as they are wide on the slide. With
// both ranges above 0, nx = floor(sqrt(c x_range / y_range) + 0.5) and
// ny = floor(c / nx + 0.5); a range of 0 gives that direction 1 cell and the
// other floor(c + 0.5) (1 x 1 when both are 0); each count is kept within
// 1..spots. Example: 4,800 spots over 20,000 by 60,000 give 20 x 60.
spatial_grid spatial_grid_for(int spots, double x_range, double y_range);

// The spatial share of one file. The spots taking part are those with M
// present and finite X and Y; with m of them:
//  - each gets its midrank among their M values minus (m + 1) / 2;
//  - cell (u, v) of spatial_grid_for(m, X range, Y range) holds the mean of
//    the centred ranks of the spots with u = floor((X - min X) / X range nx)
//    and v likewise (the top edge falling into the last cell), 0 when empty;
//  - F(kx, ky) = sum over cells g(u, v) exp(-2 pi i (kx u / nx + ky v / ny)),
//    the 2D discrete Fourier transform (R's fft of the nx x ny matrix);
//  - the share is the sum of |F|^2 over the distinct coefficients with
//    |kx|, |ky| <= cutoff (indices taken modulo nx and ny) other than F(0, 0),
//    over the sum of |F|^2 of all coefficients but F(0, 0), which by
//    Parseval's theorem is nx ny sum (g - mean g)^2.
// Not-a-number when that total is 0: fewer than 2 spots, one cell, or no
// spread of M. The few low coefficients are computed directly, row
// transforms first; the angles are reduced exactly, as whole fractions of a
// turn, to the first eighth of the circle, where cos and sin come from their
// Taylor series rather than the libm, so the bits are the same everywhere.
// Example: M = 1..8 at X = 0..7 (Y = 0) gives a 2 x 1 grid of -2, 2 and
// share 1.
double spatial_share(const double* m, const double* x, const double* y, int n, int cutoff = spatial_cutoff);
