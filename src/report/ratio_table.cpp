#include "report/ratio_table.hpp"

#include "report/report_file.hpp"
#include "report/report_staging.hpp"
#include "run/failure.hpp"
#include "run/workers.hpp"

namespace {
// Spot lines one thread formats at a time, at most.
constexpr int spots_per_range = 512;
}  // namespace

void ratio_table(const run_settings& s, const spot_tables& t) {
    const int nf = t.file_count;
    const int ns = t.spot_count;
    const std::string path = report_path(s, "data.txt");
    report_file out(path.c_str());
    if (!out.is_open())
        failure_stop("can't open the data file <" + shown_report_path(path) +
                     ">\nclose the Excel or other application which opens this file and try again.\n");
    out.put("begin data\n");
    out.put("Number\tPosition\tGene Name\tID\t");
    for (int f = 1; f <= nf; ++f) {
        out.put(s.file_name(f));
        out.put("(ratio)\t");
    }
    out.put("\n");
    put_lines_in_order(out, s.threads, ns, range_size(s.threads, ns, spots_per_range),
                       [&](report_text& line, int spot) {
                           line.put_int(spot);
                           line.put("\tB");
                           line.put_int(t.spot_block[spot]);
                           line.put(" C");
                           line.put_int(t.spot_column[spot]);
                           line.put(" R");
                           line.put_int(t.spot_row[spot]);
                           line.put("\t");
                           line.put_text_tab(&t.gene_name[spot][0]);
                           line.put_text_tab(&t.gene_id[spot][0]);
                           for (int f = 1; f <= nf; ++f) {
                               line.put_fixed(t.spot_ratio[f][spot], 3, 4);
                               line.put("\t");
                           }
                           line.put("\n");
                       });
    out.put("end data\n");
    out.close();
}
