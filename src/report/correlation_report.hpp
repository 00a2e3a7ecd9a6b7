// cor.txt: normalises every ratio by its file's factor, then writes the
// correlations between files and between the channels of each file, on the raw
// and on the log2 scale.
#pragma once

#include "input/run_settings.hpp"
#include "input/spot_tables.hpp"

// Writes s.report_path("cor.txt"); leaves spot_ratio normalised in place. Ends the run through a failure stop
// when cor.txt cannot be created or written.
void correlation_report(const run_settings& s, spot_tables& t);
