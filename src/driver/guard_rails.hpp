// Checks of the command line against likely mistakes the dialogue cannot
// catch. (The layout of every file against file 1 is checked while loading.)
#pragma once

#include "analysis/normalise.hpp"
#include "input/spot_tables.hpp"
#include "run/console.hpp"
#include "run/settings.hpp"

// What replicate groups (replicate_count consecutive spots) mix IDs.
struct mixed_groups {
    int count = 0;           // groups whose spots carry more than one ID
    int first_gene = 0;      // the first such group, 0 when none
    int first_spot = 0;      // its first spot
    int differing_spot = 0;  // its first spot whose ID differs from first_spot's
};

// Compares the IDs of each gene's spots (as loaded from the last file).
mixed_groups find_mixed_replicate_ids(const spot_tables& t);

// One warning on the failure stream when the run merges, by their header
// factors, files normalised by those factors with files GenePix did not
// normalise (in the dialogue and on the command line): it names the files of
// each kind and the options that treat every file alike.
void warn_mixed_normalisation(const run_settings& s, const header_normalisation& h, console& out);

// One warning on the failure stream when some group mixes IDs: the count, the
// first example and a hint to check --replicates.
void warn_mixed_replicate_ids(const run_settings& s, const spot_tables& t, console& out);
