// Every correlation coefficient of a run, on the raw and on the log2 scale,
// computed once: cor.txt and report.html both format these tables.
#pragma once

#include "input/spot_tables.hpp"

// A cell no coefficient can take (the diagonal and below), printed as "-".
constexpr double not_computed = 2.0;

// One scale: per file, its two channels' background-subtracted intensities
// against each other; per pair of files i < j (not_computed elsewhere), the
// red intensities, the green intensities and the ratios.
struct scale_correlations {
    dvector_t channels;           // 1..F
    dmatrix_t f632, f532, ratio;  // 1..F x 1..F
};

struct correlation_tables {
    scale_correlations raw, log2;
};

// Pearson coefficients of the intensities and of spot_ratio (already
// normalised), on `threads` threads; the same bits at any count.
correlation_tables correlate(const spot_tables& t, int threads);

// Releases every table of c.
void release_correlation_tables(correlation_tables& c);
