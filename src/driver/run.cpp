#include "driver/run.hpp"

#include <new>

#include "analysis/correlate.hpp"
#include "analysis/figures.hpp"
#include "analysis/moderated.hpp"
#include "analysis/normalise.hpp"
#include "analysis/replicate_merge.hpp"
#include "analysis/slide_quality.hpp"
#include "driver/dialogue.hpp"
#include "driver/guard_rails.hpp"
#include "driver/keyboard.hpp"
#include "driver/phase_clock.hpp"
#include "driver/run_summary.hpp"
#include "driver/version.hpp"
#include "input/file_loading.hpp"
#include "input/sizing_scan.hpp"
#include "input/spot_tables.hpp"
#include "report/correlation_report.hpp"
#include "report/merge_report.hpp"
#include "report/moderated_table.hpp"
#include "report/normalised_table.hpp"
#include "report/quality_table.hpp"
#include "report/ratio_table.hpp"
#include "report/report_file.hpp"
#include "report/report_html.hpp"
#include "report/report_staging.hpp"
#include "run/failure.hpp"

namespace {

// Prints what ended the run: a numeric error's banner on standard error
// (standard output flushed first), any other failure on the failure stream,
// then the closing line and keypress of a failure stop when the run waits
// for keys. Returns the status.
int ended(const run_failure& end, const run_settings& s, console& out, std::FILE* keys) {
    clear_progress_line(out);
    if (end.numeric_error != nullptr) {
        std::fflush(stdout);
        if (out.command_line) std::fputs("spotweave: ", stderr);
        std::fputs("Numerical Recipes run-time error...\n", stderr);
        std::fputs(end.numeric_error, stderr);
        std::fputs("\n...now exiting to system...\n", stderr);
        std::fflush(stderr);
    } else {
        failure_text(out, "%s", end.text.c_str());
    }
    if (end.wait_for_key && s.wait_for_key) {
        std::printf("press any key to exit the program\n");
        wait_key(keys);
    }
    std::fflush(stdout);
    return end.status;
}

// Runs body, turning the ways a run ends early into its exit status. Memory
// that runs out outside the tables (a working list, a message text) ends the
// run as a numeric error.
template <class F>
int guarded(const run_settings& s, console& out, std::FILE* keys, F body) {
    try {
        try {
            return body();
        } catch (const std::bad_alloc&) {
            numeric_fatal("allocation failure");
        }
    } catch (const run_failure& end) {
        if (s.stage_reports) discard_staged_reports(s);
        return ended(end, s, out, keys);
    }
}

// report.html beside the reports; a page that cannot be written stops the
// run like a report that cannot.
void write_html_report(const run_settings& s, const spot_tables& t, const merge_tables& m, const html_figures& fig,
                       const correlation_tables& c, const slide_quality& quality, const moderated_genes& moderated,
                       const header_normalisation& h) {
    html_inputs extra;
    extra.program_version = program_version;
    extra.quality = &quality;
    extra.moderated = s.moderated ? &moderated : nullptr;
    extra.normalisation = &h;
    const std::string path = report_path(s, html_report_name);
    write_report_html(s, t, m, fig, c, extra, path.c_str());
}

void closing_text(const run_settings& s, const spot_tables& t, const merge_tables& m, const header_normalisation& h,
                  const moderated_genes& moderated, console& out, std::FILE* keys) {
    clear_progress_line(out);
    if (s.summary) {
        print_run_summary(s, t, m, h, moderated, out);
    } else {
        std::printf(
            "\nOK!\n Check output files <merge.txt>, <data.txt> and <cor.txt> for results\n\n Please send "
            "bug reports to  spotweave@example.org\n\n");
    }
    if (s.wait_for_key) {
        std::printf("\n\nPress Any Key to Continue\n");
        wait_key(keys);
    }
}

}  // namespace

int run_spotweave(std::FILE* answers, int threads) {
    run_settings s;
    s.threads = threads;
    console out;
    const int status = guarded(s, out, answers, [&] {
        run_dialogue(answers, s);
        return 0;
    });
    return status != 0 ? status : run_merge(s, out, answers);
}

int run_merge(const run_settings& s, console& out, std::FILE* keys) {
    return guarded(s, out, keys, [&] {
        spot_tables t;
        merge_tables m;
        html_figures fig;
        phase_clock clock;
        const layout_size size = sizing_scan(s.file_name(1), s.replicate_count, out);
        if (s.check_replicate_count) check_replicate_count(s, size.spot_count, out);
        t.file_count = s.file_count();
        t.replicate_count = s.replicate_count;
        t.spot_count = size.spot_count;
        t.gene_count = size.gene_count;
        t.with_places = s.html;
        create_spot_tables(t);
        clock.mark("sizing");
        load_files(s, t, out);
        clock.mark("loading");
        if (s.warn_unread_rows) warn_unread_rows(s, t, size, out);
        if (s.check_replicate_ids) warn_mixed_replicate_ids(s, t, out);
        const header_normalisation h = header_normalisation_of(t);
        warn_mixed_normalisation(s, h, out);
        if (s.html) count_extreme_ratios(s, t, fig);
        ma_tables ma;
        normalise(s, t, ma, s.analysis_options || s.html, s.html);
        clock.mark("normalising");
        show_progress_line(out, "writing %s", "cor.txt");
        correlation_tables c = correlate(s, t);
        correlation_report(s, c);
        if (s.analysis_options) normalised_table(s, t, ma);
        slide_quality quality;
        if (s.html) {
            collect_html_figures(s, t, ma, fig);
            quality = assess_slides(s, t, ma);
            quality_table(s, quality);
        }
        clock.mark("cor.txt");
        regroup_by_gene(s, t, m);
        show_progress_line(out, "writing %s", "data.txt");
        ratio_table(s, t);
        release_ratios(t);
        clock.mark("data.txt");
        gene_statistics(t, m, s.threads);
        moderated_genes moderated;
        if (s.moderated) moderated = moderate(s, t, ma);
        clock.mark("statistics");
        show_progress_line(out, "writing %s", "merge.txt");
        merge_report(s, t, m);
        if (s.moderated) moderated_table(s, t, moderated);
        clock.mark("merge.txt");
        if (s.html) write_html_report(s, t, m, fig, c, quality, moderated, h);
        if (s.stage_reports) publish_reports(s);
        closing_text(s, t, m, h, moderated, out, keys);
        release_ma_tables(ma);
        release_correlation_tables(c);
        release_merge_tables(t, m);
        release_spot_tables(t);
        std::fflush(stdout);
        return 0;
    });
}
