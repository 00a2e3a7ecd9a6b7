// report.html: one self-contained page (inline SVG and CSS, no script, no
// outside reference) with the pictures of a run, drawn from the same numbers
// as cor.txt, merge.txt, qc.txt and moderated.txt: the suspect slides first.
#pragma once

#include <string>

#include "report/html_inputs.hpp"

// The page as text ('\n' line ends), ASCII only. Needs of s: the files, the
// approach, C and the analysis options; of t: file_count, replicate_count,
// spot_count, gene_count, the file headers; of m the per-file counters and the
// per-gene log2 means and p-values (after gene_statistics); fig from
// count_extreme_ratios and collect_html_figures; c the run's correlations.
std::string report_html_text(const run_settings& s, const spot_tables& t, const merge_tables& m,
                             const html_figures& fig, const correlation_tables& c, const html_inputs& extra);

// Writes the page to `path` in binary mode, so every platform writes the same
// bytes. On failure ends the run through a failure stop saying "can't write
// the report <path>: reason" with a hint.
void write_report_html(const run_settings& s, const spot_tables& t, const merge_tables& m, const html_figures& fig,
                       const correlation_tables& c, const html_inputs& extra, const char* path);
