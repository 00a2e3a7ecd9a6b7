// merge.txt: the run summary, the per-file counts of values set aside and one
// line of pooled statistics per gene.
#pragma once

#include "input/spot_tables.hpp"
#include "report/replicate_merge.hpp"

// Ends the run through a failure stop when merge.txt cannot be created or written.
void merge_report(const spot_tables& t, const merge_tables& m);
