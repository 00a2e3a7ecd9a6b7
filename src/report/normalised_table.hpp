// normalised.txt: every spot's normalised log ratio in every file, the table
// GEO asks for beside the raw files.
#pragma once

#include "analysis/normalise.hpp"
#include "input/spot_tables.hpp"
#include "report/report_file.hpp"
#include "run/settings.hpp"

// Writes report_path(s, "normalised.txt"): the titles Number, Block, Column,
// Row, Name, ID and each file's name as given, then one line per spot in
// file order with each file's normalised M to 6 decimals, "-" where it is
// missing; fields parted by tabs. Ends the run through a failure stop when
// the file cannot be created or written.
void normalised_table(const run_settings& s, const spot_tables& t, const ma_tables& ma);

// The spot columns of the analysis tables: `number`, then the Block, Column,
// Row, Name and ID of `spot`, parted by tabs, nothing after the ID.
void put_spot_columns(report_text& line, const spot_tables& t, int number, int spot);
