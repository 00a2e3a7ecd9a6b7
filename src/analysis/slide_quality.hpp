// The suspect slides of a run, named as the quality report of Bioconductor's
// arrayQualityMetrics names them, one criterion per statistic with a fixed
// outlier rule, but computed on every spot rather than a sample.
#pragma once

#include <string>
#include <vector>

#include "analysis/normalise.hpp"
#include "input/spot_tables.hpp"
#include "run/settings.hpp"

// The criteria a file can fail, as bits of slide_quality::failed.
enum quality_criterion : unsigned { fails_distance = 1, fails_ks = 2, fails_d = 4, fails_spatial = 8 };

// Hoeffding's D of (A, M) above this marks a slide whose M depends on A.
constexpr double hoeffding_limit = 0.15;

struct slide_quality {
    // Per file 1..F (index 0 unused); not-a-number where a file has too few values.
    std::vector<double> distance;   // sum over the other files of the mean |M_i - M_j| over their common spots
    std::vector<double> ks;         // Kolmogorov-Smirnov D of the file's M against every file's M pooled
    std::vector<double> hoeffding;  // Hoeffding's D of (A, M), 1 for complete dependence
    std::vector<double> spatial;    // share of the power of the ranked M, laid out by X and Y, at low frequencies
    std::vector<unsigned> failed;   // quality_criterion bits
    // The limits: upper hinge + 1.5 x (upper - lower hinge) over the files (Tukey, as R's fivenum).
    double distance_limit = 0, ks_limit = 0, spatial_limit = 0;
};

// Every statistic of every file over the spots where its M and A (as
// normalised.txt defines them) and its X and Y exist, on s.threads threads;
// the same bits at any count. A pair of files without a common spot is left
// out of the distances (a single file's distance is 0); a file without any M
// has none. Needs ma.a and the tables' X and Y.
slide_quality assess_slides(const run_settings& s, const spot_tables& t, const ma_tables& ma);

// The names of the criteria a file failed, parted by commas ("distance,KS"),
// or "-" when none.
std::string failed_criteria(unsigned failed);
