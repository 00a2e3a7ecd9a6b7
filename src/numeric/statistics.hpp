// Descriptive statistics over 1-based series, and the randomised sort with its
// fixed-seed generator.
#pragma once

#include "numeric/containers.hpp"

// Arithmetic mean of v[1..n], summed in index order. n = 0 gives not-a-number.
double mean_of(series<const double> v, int n);

// Population standard deviation of v[1..n] (divisor n), two passes.
double sd_of(series<const double> v, int n);

// Wichmann-Hill generator (Applied Statistics AS 183), seeds 1, 1, 1; the first
// value is 171/30269 + 172/30309 + 170/30323.
struct random_state {
    int s1, s2, s3;
};
constexpr random_state generator_start = {1, 1, 1};

// The process-wide generator state, the one the sequential run draws from.
random_state& generator_state();

// Draws from the process-wide generator, or from a thread's own.
double uniform_random();
double uniform_random(random_state& state);

// Median of v[1..n]; v is left unchanged. n = 0 gives not-a-number.
double median_of(series<const double> v, int n);
double median_of(series<const double> v, int n, random_state& state);

// Sorts a[0..n-1] ascending in place: a partition sort with random pivots,
// drawing one generator value per range of three or more elements, the front
// part before the back part. Example: 2, 1 gives 1, 2 without a draw. When
// every value compares (no not-a-number) the result is the same whatever the
// draws, so a thread may sort with a generator of its own.
void sort_values(double* a, int n);
void sort_values(double* a, int n, random_state& state);
