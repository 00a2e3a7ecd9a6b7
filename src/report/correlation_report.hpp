// cor.txt: the correlations between files and between the channels of each
// file, on the raw and on the log2 scale.
#pragma once

#include "run/settings.hpp"
#include "input/spot_tables.hpp"

// A cell no coefficient can take (the diagonal and below), printed as "-".
constexpr double not_computed = 2.0;

// The two ratio matrices of cor.txt (1..F x 1..F, not_computed where not computed),
// handed on so other pages show the very numbers of the report.
struct ratio_correlations {
    dmatrix_t raw, log2;
};

// Writes s.report_path("cor.txt") from spot_ratio already normalised. Ends
// the run through a failure stop when cor.txt cannot be created or written.
// With `kept`, the two ratio matrices are moved there instead of being released.
void correlation_report(const run_settings& s, const spot_tables& t, ratio_correlations* kept = nullptr);
