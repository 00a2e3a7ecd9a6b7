// report.html: one self-contained page (inline SVG and CSS, no script, no
// outside reference) with the pictures of a run, drawn from the same numbers
// as cor.txt, data.txt and merge.txt.
#pragma once

#include <string>
#include <vector>

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

// The page as text ('\n' line ends). Needs of s: the files, the approach and C;
// of t: file_count, replicate_count, spot_count, gene_count, the file headers;
// of m the per-file counters and the per-gene log2 means and p-values (after
// gene_statistics); fig from collect_html_figures; c the run's correlations.
std::string report_html_text(const run_settings& s, const spot_tables& t, const merge_tables& m,
                             const html_figures& fig, const correlation_tables& c, const html_inputs& extra);

// Writes the page to `path` in binary mode, so every platform writes the same
// bytes. On failure ends the run through a failure stop saying "can't write
// the report <path>: reason" with a hint.
void write_report_html(const run_settings& s, const spot_tables& t, const merge_tables& m, const html_figures& fig,
                       const correlation_tables& c, const html_inputs& extra, const char* path);
