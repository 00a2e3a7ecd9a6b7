// Every correlation coefficient of a run, on the raw and on the log2 scale,
// computed once: cor.txt and report.html both format these tables.
#pragma once

#include "input/spot_tables.hpp"
#include "run/settings.hpp"

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
// normalised), on s.threads threads; the same bits at any count. A ratio
// that is missing (not-a-number) and the spots below the flag cutoff are
// left out of the sums of the pairs they belong to.
correlation_tables correlate(const run_settings& s, const spot_tables& t);

// Releases every table of c.
void release_correlation_tables(correlation_tables& c);
