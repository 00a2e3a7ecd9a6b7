// cor.txt: the correlations between files and between the channels of each
// file, on the raw and on the log2 scale.
#pragma once

#include "analysis/correlate.hpp"
#include "run/settings.hpp"

// Writes report_path(s, "cor.txt") from tables computed in full beforehand,
// so a run that fails while computing leaves no cor.txt behind. Ends the run
// through a failure stop when cor.txt cannot be created or written.
void correlation_report(const run_settings& s, const correlation_tables& c);
