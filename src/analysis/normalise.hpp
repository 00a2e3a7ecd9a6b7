// Normalising the ratios of every file before any report reads them.
#pragma once

#include "input/spot_tables.hpp"
#include "run/settings.hpp"

// Multiplies every spot_ratio by its file's factor for the chosen approach,
// in place; cor.txt, data.txt and merge.txt all read the normalised ratios.
void normalise_ratios(const run_settings& s, spot_tables& t);
