#include "driver/run_summary.hpp"

#include "report/report_file.hpp"

run_counts count_run(const spot_tables& t, const merge_tables& m) {
    run_counts c;
    c.files = t.file_count;
    c.spots = t.spot_count;
    c.genes = t.gene_count;
    for (int f = 1; f <= t.file_count; ++f) {
        c.set_aside += m.file_unusable[f];
        c.outliers += m.file_outliers[f];
    }
    return c;
}

void print_run_summary(const run_settings& s, const spot_tables& t, const merge_tables& m, console& out) {
    const run_counts c = count_run(t, m);
    progress_text(out, "\nMerged %d file%s: %d spots each, %d genes of %d spot%s.\n", c.files, c.files == 1 ? "" : "s",
                  c.spots, c.genes, s.replicate_count, s.replicate_count == 1 ? "" : "s");
    progress_text(
        out, "Values set aside (flagged, failing quality control or not positive): %lld; outliers removed: %lld.\n",
        c.set_aside, c.outliers);
    progress_text(out, "Reports written:\n");
    for (const char* report : report_names) progress_text(out, "  %s\n", final_report_path(s, report).c_str());
    if (s.html) progress_text(out, "  %s\n", final_report_path(s, html_report_name).c_str());
}
