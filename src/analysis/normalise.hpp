// Normalising the ratios of every file before any report reads them: by each
// file's header factor, as always, or as the field normalises two-colour
// slides, on the log ratios M = log2 ratio and the average log intensities
// A = 1/2 (log2 R + log2 G) (R, G the background-subtracted medians).
#pragma once

#include <string>
#include <vector>

#include "input/spot_tables.hpp"
#include "run/settings.hpp"

// Per file and spot (1..F x 1..S), not-a-number where the value is missing.
struct ma_tables {
    dmatrix_t m;      // the normalised log ratio, as normalised.txt shows it
    dmatrix_t a;      // the average log intensity; empty when nothing reads it
    dmatrix_t raw_m;  // M before a loess curve was taken out, kept for the page's plots; else empty
};

// GenePix's ratio where the denominator is zero.
constexpr double genepix_no_ratio = 100000.0;

// Whether a spot is set aside by its own Flags value (below the cutoff, when
// one is given) in every report and every fit.
inline bool below_flag_cutoff(const run_settings& s, const spot_tables& t, int f, int spot) {
    return s.flag_cutoff_given && t.file_flag[f][spot] < s.flag_cutoff;
}

// Normalises spot_ratio in place, on s.threads threads, and fills ma when
// `with_ma` (m always then; a when a loess fit or `with_a` needs it):
// - header and none, unscaled: ratio x the file's factor for the chosen
//   approach (1.0 under none); M = log2 of it, missing where the ratio is not
//   positive or is 100000 (GenePix's mark of a zero denominator);
// - median, loess, print-tip loess: M = log2 ratio, missing also where R or
//   G is not positive, less the file's median, loess curve of M on A, or the
//   curve of its block (span 0.3, four iterations, limma's methods);
// - scale: each file's M times the geometric mean of every file's median
//   |M| over its own.
// Where the reports read the normalised M (run_settings::uses_normalised_m),
// spot_ratio becomes 2^M, not-a-number where M is missing. A spot below the
// flag cutoff is missing in every table. A dye-swapped file is taken sample
// over reference first: its M changes sign, and its ratio x factor becomes
// the reciprocal where it is positive.
// With `with_a` (the page of plots) under a loess method, raw_m keeps M
// before its curve is taken out.
void normalise(const run_settings& s, spot_tables& t, ma_tables& ma, bool with_ma, bool with_a);

// The files of a run by what their headers say of their normalisation.
struct header_normalisation {
    std::vector<int> by_factor;       // GenePix Results 1.x: a factor per ratio approach
    std::vector<int> not_normalised;  // later files saying NormalizationMethod=None (or nothing)
    std::vector<int> by_genepix;      // later files naming another method: GenePix normalised them
};

header_normalisation header_normalisation_of(const spot_tables& t);

// Whether the default normalisation merges files normalised by their header
// factors with files that are not normalised at all.
inline bool mixes_normalisations(const run_settings& s, const header_normalisation& h) {
    return s.normalise == normalisation::header && !h.by_factor.empty() && !h.not_normalised.empty();
}

// What the run warns of when it mixes them (mixes_normalisations): "the
// ratios of a.gpr are multiplied by their header's normalisation factors, ...
// treats all files alike", the files named as given.
std::string mixed_normalisation_text(const run_settings& s, const header_normalisation& h);

// Releases the tables of ma still held.
void release_ma_tables(ma_tables& ma);
