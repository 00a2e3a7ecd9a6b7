// What report.html is drawn from: the run's tables and what analysis/
// computed for the page.
#pragma once

#include <string>

#include "analysis/correlate.hpp"
#include "analysis/figures.hpp"
#include "analysis/moderated.hpp"
#include "analysis/normalise.hpp"
#include "analysis/replicate_merge.hpp"
#include "analysis/slide_quality.hpp"
#include "input/spot_tables.hpp"
#include "run/settings.hpp"

// What the page shows that the tables do not hold.
struct html_inputs {
    std::string program_version;                          // e.g. "1.2.0"; empty leaves it out
    const slide_quality* quality = nullptr;               // the suspect slides; none leaves the overview out
    const moderated_genes* moderated = nullptr;           // the moderated t-test, when the run made it
    const header_normalisation* normalisation = nullptr;  // what the files' headers say of normalisation
};
