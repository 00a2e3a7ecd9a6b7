#include "report/ratio_table.hpp"

#include <cstdio>

#include "numeric/console_text.hpp"
#include "numeric/run_end.hpp"
#include "report/report_file.hpp"

void normalise_ratios(const run_settings& s, spot_tables& t) {
    for (int f = 1; f <= t.file_count; ++f) {
        const double factor = t.norm_factor[f][s.ratio_approach];
        for (int k = 1; k <= t.spot_count; ++k) t.spot_ratio[f][k] = factor * t.spot_ratio[f][k];
    }
}

void release_ratios(spot_tables& t) { dmatrix_free(t.spot_ratio, 1, t.file_count, 1, t.spot_count); }

void ratio_table(const run_settings& s, const spot_tables& t) {
    const int nf = t.file_count;
    const int ns = t.spot_count;
    const std::string path = s.report_path("data.txt");
    report_file out(path.c_str());
    if (!out.is_open()) {
        failure_text("can't open the data file <%s>\n", path.c_str());
        failure_text("close the Excel or other application which opens this file and try again.\n");
        failure_stop(1);
    }
    out.put("begin data\n");
    out.put("Number\tPosition\tGene Name\tID\t");
    for (int f = 1; f <= nf; ++f) {
        out.put(s.file_name(f));
        out.put("(ratio)\t");
    }
    out.put("\n");
    for (int s = 1; s <= ns; ++s) {
        out.put_int(s);
        out.put("\tB");
        out.put_int(t.spot_block[s]);
        out.put(" C");
        out.put_int(t.spot_column[s]);
        out.put(" R");
        out.put_int(t.spot_row[s]);
        out.put("\t");
        out.put_text_tab(&t.gene_name[s][0]);
        out.put_text_tab(&t.gene_id[s][0]);
        for (int f = 1; f <= nf; ++f) {
            out.put_fixed(t.spot_ratio[f][s], 3, 4);
            out.put("\t");
        }
        out.put("\n");
    }
    out.put("end data\n");
    out.close();
}
