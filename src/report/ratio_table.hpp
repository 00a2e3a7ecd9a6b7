// data.txt: every spot's normalised ratio in every file, side by side.
#pragma once

#include "input/spot_tables.hpp"

// Writes data.txt, then releases spot_ratio. Ends the run through a failure
// stop when data.txt cannot be created or written.
void ratio_table(spot_tables& t);
