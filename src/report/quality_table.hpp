// qc.txt: the statistics that name the suspect slides, beside report.html.
#pragma once

#include "analysis/slide_quality.hpp"
#include "run/settings.hpp"

// Writes report_path(s, "qc.txt"): the titles File, Name, distance, KS,
// Hoeffding D, spatial, outliers, then one line per file: its number, its
// label, each statistic with 6 decimals ("-" where it has none) and the
// criteria it fails, parted by commas, or "-"; fields parted by tabs. Ends the
// run through a failure stop when the file cannot be created or written.
void quality_table(const run_settings& s, const slide_quality& q);
