#include "report/ratio_table.hpp"

#include <cstdio>

#include "numeric/parallel_for.hpp"
#include "numeric/run_end.hpp"
#include "report/report_file.hpp"

void normalise_ratios(spot_tables& t) {
    for (int f = 1; f <= t.file_count; ++f) {
        const double factor = t.norm_factor[f][t.ratio_approach];
        for (int s = 1; s <= t.spot_count; ++s) t.spot_ratio[f][s] = factor * t.spot_ratio[f][s];
    }
}

void release_ratios(spot_tables& t) { dmatrix_free(t.spot_ratio, 1, t.file_count, 1, t.spot_count); }

namespace {
// Spot lines one thread formats at a time, at most.
constexpr int spots_per_range = 512;
}  // namespace

void ratio_table(const spot_tables& t) {
    const int nf = t.file_count;
    const int ns = t.spot_count;
    report_file out("data.txt");
    if (!out.is_open()) {
        std::printf("can't open the data file <data.txt>\n");
        std::printf("close the Excel or other application which opens this file and try again.\n");
        failure_stop(1);
    }
    out.put("begin data\n");
    out.put("Number\tPosition\tGene Name\tID\t");
    for (int f = 1; f <= nf; ++f) {
        out.put(&t.file_names[f][0]);
        out.put("(ratio)\t");
    }
    out.put("\n");
    put_lines_in_order(out, ns, range_size(ns, spots_per_range), [&](report_text& line, int s) {
        line.put_int(s);
        line.put("\tB");
        line.put_int(t.spot_block[s]);
        line.put(" C");
        line.put_int(t.spot_column[s]);
        line.put(" R");
        line.put_int(t.spot_row[s]);
        line.put("\t");
        line.put_text_tab(&t.gene_name[s][0]);
        line.put_text_tab(&t.gene_id[s][0]);
        for (int f = 1; f <= nf; ++f) {
            line.put_fixed(t.spot_ratio[f][s], 3, 4);
            line.put("\t");
        }
        line.put("\n");
    });
    out.put("end data\n");
    out.close();
}
