#include "driver/run.hpp"

#include <new>

#include "driver/keyboard.hpp"
#include "driver/dialogue.hpp"
#include "driver/guard_rails.hpp"
#include "driver/phase_clock.hpp"
#include "driver/run_summary.hpp"
#include "driver/version.hpp"
#include "input/file_loading.hpp"
#include "input/sizing_scan.hpp"
#include "input/spot_tables.hpp"
#include "run/console.hpp"
#include "run/workers.hpp"
#include "run/failure.hpp"
#include "report/correlation_report.hpp"
#include "report/merge_report.hpp"
#include "report/ratio_table.hpp"
#include "analysis/replicate_merge.hpp"
#include "report/report_html.hpp"

namespace {

// Turns the ways a run ends early into its exit status: the closing line and
// keypress of a failure stop (when the settings wait for keys), or the status
// of a numeric error.
template <class F>
int guarded(const run_settings& s, std::FILE* keys, F body) {
    try {
        try {
            return body();
        } catch (const std::bad_alloc&) {
            // Memory ran out outside the tables (a working list, a message text).
            numeric_fatal("allocation failure");
        }
    } catch (const run_end& end) {
        clear_progress_line();
        if (end.wait_for_key && s.wait_for_key) {
            std::printf("press any key to exit the program\n");
            wait_key(keys);
        }
        std::fflush(stdout);
        return end.status;
    }
}

// report.html beside the reports; a page that cannot be written stops the
// run like a report that cannot.
void write_html_report(const run_settings& s, const spot_tables& t, const merge_tables& m, const html_figures& fig) {
    html_inputs extra;
    extra.program_version = program_version;
    const std::string path = s.report_path(html_report_name);
    if (!write_report_html(s, t, m, fig, extra, path.c_str())) failure_stop(1);
}

}  // namespace

int run_spotweave(std::FILE* answers) {
    run_settings s;
    const int status = guarded(s, answers, [&] {
        run_dialogue(answers, s);
        return 0;
    });
    return status != 0 ? status : run_merge(s, answers);
}

int run_merge(const run_settings& s, std::FILE* keys) {
    choose_console(s.progress, s.failures, s.progress_line);
    if (s.threads >= 1) set_thread_count(s.threads);
    return guarded(s, keys, [&] {
        spot_tables t;
        merge_tables m;
        html_figures fig;
        phase_clock clock;
        const layout_size size = sizing_scan(s.file_name(1), s.replicate_count);
        t.file_count = s.file_count();
        t.replicate_count = s.replicate_count;
        t.spot_count = size.spot_count;
        t.gene_count = size.gene_count;
        create_spot_tables(t);
        clock.mark("sizing");
        load_files(s, t);
        clock.mark("loading");
        if (s.check_replicate_ids) warn_mixed_replicate_ids(s, t);
        show_progress_line("writing %s", "cor.txt");
        normalise_ratios(s, t);
        correlation_report(s, t, s.html ? &fig.cor : nullptr);
        if (s.html) collect_html_figures(t, fig);
        clock.mark("cor.txt");
        regroup_by_gene(t, m);
        show_progress_line("writing %s", "data.txt");
        ratio_table(s, t);
        release_ratios(t);
        clock.mark("data.txt");
        gene_statistics(t, m);
        clock.mark("statistics");
        show_progress_line("writing %s", "merge.txt");
        merge_report(s, t, m);
        clock.mark("merge.txt");
        if (s.html) write_html_report(s, t, m, fig);
        clear_progress_line();
        if (s.summary) {
            print_run_summary(s, t, m);
        } else {
            std::printf("\nOK!\n Check output files <merge.txt>, <data.txt> and <cor.txt> for results\n\n Please send "
                        "bug reports to  spotweave@example.org\n\n");
        }
        if (s.wait_for_key) {
            std::printf("\n\nPress Any Key to Continue\n");
            wait_key(keys);
        }
        release_merge_tables(t, m);
        release_spot_tables(t);
        std::fflush(stdout);
        return 0;
    });
}
