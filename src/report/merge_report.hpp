// merge.txt: the run summary, the per-file counts of values set aside and one
// line of pooled statistics per gene.
#pragma once

#include "analysis/replicate_merge.hpp"
#include "input/spot_tables.hpp"
#include "run/settings.hpp"

// Writes s.report_path("merge.txt"). Ends the run through a failure stop when
// merge.txt cannot be created or written.
void merge_report(const run_settings& s, const spot_tables& t, const merge_tables& m);
