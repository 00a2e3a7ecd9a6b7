#include "driver/run_summary.hpp"

#include "numeric/fixed_text.hpp"
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

namespace {

void print_normalisation(const run_settings& s, const spot_tables& t, const header_normalisation& h, console& out) {
    if (s.analysis_options) {
        progress_text(out, "Normalisation: %s within files, %s between files",
                      normalisation_titles[static_cast<int>(s.normalise)],
                      s.between == between_files::scale ? "scaled" : "none");
        if (s.flag_cutoff_given)
            progress_text(out, "; spots flagged below %d set aside.\n", s.flag_cutoff);
        else
            progress_text(out, ".\n");
    }
    for (int f : h.by_genepix)
        progress_text(out, "GenePix normalised the ratios of %s already (NormalizationMethod=%s).\n", s.file_name(f),
                      t.headers[static_cast<std::size_t>(f)].normalization_method.c_str());
}

// The prior of the empirical Bayes step and the genes found at a false
// discovery rate of 5 %.
void print_moderated(const moderated_genes& moderated, console& out) {
    const moderated_result& r = moderated.result;
    if (!r.estimable) {
        progress_text(out, "Moderated t-test: no gene has a value in two files; moderated.txt holds no statistics.\n");
        return;
    }
    char df[fixed_text_room], s2[fixed_text_room];
    df[format_general(df, r.df_prior, 6)] = '\0';
    s2[format_general(s2, r.s2_prior, 6)] = '\0';
    progress_text(out,
                  "Moderated t-test: prior degrees of freedom %s, prior variance %s; %d gene%s with an adjusted "
                  "p-value below 0.05.\n",
                  df, s2, moderated.significant, moderated.significant == 1 ? "" : "s");
}

}  // namespace

void print_run_summary(const run_settings& s, const spot_tables& t, const merge_tables& m,
                       const header_normalisation& h, const moderated_genes& moderated, console& out) {
    const run_counts c = count_run(t, m);
    progress_text(out, "\nMerged %d file%s: %d spots each, %d genes of %d spot%s.\n", c.files, c.files == 1 ? "" : "s",
                  c.spots, c.genes, s.replicate_count, s.replicate_count == 1 ? "" : "s");
    progress_text(
        out, "Values set aside (flagged, failing quality control or not positive): %lld; outliers removed: %lld.\n",
        c.set_aside, c.outliers);
    print_normalisation(s, t, h, out);
    if (s.moderated) print_moderated(moderated, out);
    progress_text(out, "Reports written:\n");
    for (const char* report : report_names) progress_text(out, "  %s\n", final_report_path(s, report).c_str());
    if (s.analysis_options) progress_text(out, "  %s\n", final_report_path(s, normalised_report_name).c_str());
    if (s.moderated) progress_text(out, "  %s\n", final_report_path(s, moderated_report_name).c_str());
    if (s.html) {
        progress_text(out, "  %s\n", final_report_path(s, html_report_name).c_str());
        progress_text(out, "  %s\n", final_report_path(s, quality_report_name).c_str());
    }
}
