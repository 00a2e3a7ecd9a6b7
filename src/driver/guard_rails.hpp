// Checks of the command line against likely mistakes the dialogue cannot
// catch. (The layout of every file against file 1 is checked while loading.)
#pragma once

#include "analysis/normalise.hpp"
#include "input/sizing_scan.hpp"
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
// first example (each ID in quotes once, whether the file quotes it or not)
// and a hint to check --replicates.
void warn_mixed_replicate_ids(const run_settings& s, const spot_tables& t, console& out);

// The replicate count against the spots of each file: more replicates than
// spots forms no gene, which ends the run as a usage error (status 2); spots
// left over after the last whole gene are named in a warning, as merge.txt
// leaves them out.
void check_replicate_count(const run_settings& s, int spot_count, console& out);

// One warning on the failure stream when a file holds data rows past the
// spots the run reads (the flag rule ended file 1's data early, or its last
// row gives fewer spots than it has rows): the first such file's row count,
// the spot count and the line where its reading stopped, why the count is
// what it is, and how many other files hold rows past it too.
void warn_unread_rows(const run_settings& s, const spot_tables& t, const layout_size& size, console& out);
