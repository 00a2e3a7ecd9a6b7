// data.txt: every spot's normalised ratio in every file, side by side.
#pragma once

#include "input/spot_tables.hpp"
#include "run/settings.hpp"

// Writes report_path(s, "data.txt"). Ends the run through a failure stop when
// data.txt cannot be created or written.
void ratio_table(const run_settings& s, const spot_tables& t);
