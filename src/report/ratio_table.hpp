// data.txt: every spot's normalised ratio in every file, side by side.
#pragma once

#include "run/settings.hpp"
#include "input/spot_tables.hpp"

// Multiplies every spot_ratio by its file's factor for the chosen approach,
// in place; cor.txt, data.txt and merge.txt all read the normalised ratios.
void normalise_ratios(const run_settings& s, spot_tables& t);

// Writes s.report_path("data.txt"). Ends the run through a failure stop when
// data.txt cannot be created or written.
void ratio_table(const run_settings& s, const spot_tables& t);

// Releases spot_ratio once data.txt is written and the genes hold their copy.
void release_ratios(spot_tables& t);
