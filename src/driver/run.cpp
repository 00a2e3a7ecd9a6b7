#include "driver/run.hpp"

#include <new>

#include "driver/console.hpp"
#include "driver/dialogue.hpp"
#include "driver/phase_clock.hpp"
#include "input/file_loading.hpp"
#include "input/sizing_scan.hpp"
#include "input/spot_tables.hpp"
#include "numeric/run_end.hpp"
#include "report/correlation_report.hpp"
#include "report/merge_report.hpp"
#include "report/ratio_table.hpp"
#include "report/replicate_merge.hpp"

int run_spotweave(std::FILE* answers) {
    spot_tables t;
    merge_tables m;
    try {
        try {
            run_dialogue(answers, t);
            phase_clock clock;
            const layout_size size = sizing_scan(&t.file_names[1][0], t.replicate_count);
            t.spot_count = size.spot_count;
            t.gene_count = size.gene_count;
            create_spot_tables(t);
            clock.mark("sizing");
            load_files(t);
            clock.mark("loading");
            normalise_ratios(t);
            correlation_report(t);
            clock.mark("cor.txt");
            regroup_by_gene(t, m);
            ratio_table(t);
            release_ratios(t);
            clock.mark("data.txt");
            gene_statistics(t, m);
            clock.mark("statistics");
            merge_report(t, m);
            clock.mark("merge.txt");
            std::printf("\nOK!\n Check output files <merge.txt>, <data.txt> and <cor.txt> for results\n\n Please send "
                        "bug reports to  spotweave@example.org\n\n");
            std::printf("\n\nPress Any Key to Continue\n");
            wait_key(answers);
            release_merge_tables(t, m);
            release_spot_tables(t);
            return 0;
        } catch (const std::bad_alloc&) {
            // Memory ran out outside the tables (a working list, a message text).
            numeric_fatal("allocation failure");
        }
    } catch (const run_end& end) {
        if (end.wait_for_key) {
            std::printf("press any key to exit the program\n");
            wait_key(answers);
        }
        std::fflush(stdout);
        return end.status;
    }
}
