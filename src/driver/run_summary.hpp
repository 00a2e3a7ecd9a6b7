// The closing summary of a command-line run.
#pragma once

#include "analysis/moderated.hpp"
#include "analysis/normalise.hpp"
#include "analysis/replicate_merge.hpp"
#include "input/spot_tables.hpp"
#include "run/console.hpp"
#include "run/settings.hpp"

// What a run comes to, counted from its tables.
struct run_counts {
    int files = 0;
    int spots = 0;
    int genes = 0;
    long long set_aside = 0;  // values flagged, failing quality control, or not positive
    long long outliers = 0;
};

run_counts count_run(const spot_tables& t, const merge_tables& m);

// The three report paths and the counts, on the progress stream.
// With the analysis options, also the normalisation used; files GenePix
// normalised already are named.
void print_run_summary(const run_settings& s, const spot_tables& t, const merge_tables& m,
                       const header_normalisation& h, const moderated_genes& moderated, console& out);
