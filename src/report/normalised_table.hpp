// normalised.txt: every spot's normalised log ratio in every file, the table
// GEO asks for beside the raw files.
#pragma once

#include "analysis/normalise.hpp"
#include "input/spot_tables.hpp"
#include "run/settings.hpp"

// Writes report_path(s, "normalised.txt"): the titles Number, Block, Column,
// Row, Name, ID and each file's name as given, then one line per spot in
// file order with each file's normalised M to 6 decimals, "-" where it is
// missing; fields parted by tabs. Ends the run through a failure stop when
// the file cannot be created or written.
void normalised_table(const run_settings& s, const spot_tables& t, const ma_tables& ma);
