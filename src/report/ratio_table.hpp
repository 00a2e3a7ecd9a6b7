// data.txt: every spot's normalised ratio in every file, side by side.
#pragma once

#include "input/run_settings.hpp"
#include "input/spot_tables.hpp"

// Writes s.report_path("data.txt"), then releases spot_ratio. Ends the run
// through a failure stop when data.txt cannot be created or written.
void ratio_table(const run_settings& s, spot_tables& t);
