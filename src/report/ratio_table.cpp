#include "report/ratio_table.hpp"

#include <cmath>

#include "report/report_file.hpp"
#include "report/report_staging.hpp"
#include "run/failure.hpp"
#include "run/workers.hpp"

namespace {

// Spot lines one thread formats at a time, at most.
constexpr int spots_per_range = 512;

// One spot: its number, position, name, ID and every file's ratio; "-" for a
// ratio that is missing (under a normalisation, or below the flag cutoff).
void put_spot_line(report_text& line, const spot_tables& t, int spot) {
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
    for (int f = 1; f <= t.file_count; ++f) {
        const double ratio = t.spot_ratio[f][spot];
        if (std::isnan(ratio)) {
            line.put("-\t");
        } else {
            line.put_fixed(ratio, 3, 4);
            line.put("\t");
        }
    }
    line.put("\n");
}

}  // namespace

void ratio_table(const run_settings& s, const spot_tables& t) {
    const int ns = t.spot_count;
    const std::string path = report_path(s, "data.txt");
    report_file out(path.c_str());
    if (!out.is_open())
        failure_stop("can't open the data file <" + shown_report_path(path) +
                     ">\nclose the Excel or other application which opens this file and try again.\n");
    out.put("begin data\n");
    out.put("Number\tPosition\tGene Name\tID\t");
    for (int f = 1; f <= t.file_count; ++f) {
        out.put(s.file_label(f));
        out.put("(ratio)\t");
    }
    out.put("\n");
    put_lines_in_order(out, s.threads, ns, range_size(s.threads, ns, spots_per_range),
                       [&](report_text& line, int spot) { put_spot_line(line, t, spot); });
    out.put("end data\n");
    out.close();
}
