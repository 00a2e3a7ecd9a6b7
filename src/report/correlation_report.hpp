// cor.txt: the correlations between files and between the channels of each
// file, on the raw and on the log2 scale.
#pragma once

#include "input/spot_tables.hpp"

// Reads spot_ratio already normalised. Ends the run through a failure stop
// when cor.txt cannot be created or written.
void correlation_report(const spot_tables& t);
