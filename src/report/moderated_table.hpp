// moderated.txt: the moderated t-test of every gene, with false discovery rates.
#pragma once

#include "analysis/moderated.hpp"
#include "input/spot_tables.hpp"
#include "run/settings.hpp"

// Writes report_path(s, "moderated.txt"): the titles Gene, Block, Column,
// Row, Name, ID, log2 ratio, t, p-value, adjusted p-value, B, then one line
// per gene in merge.txt's order with the place, name and ID of its first
// spot; log2 ratio, t and B with 6 decimals, the p-values with 6 significant
// digits, "-" where a gene has no value (or a statistic is undefined); fields
// parted by tabs. Ends the run through a failure stop when the file cannot be
// created or written.
void moderated_table(const run_settings& s, const spot_tables& t, const moderated_genes& genes);
