#include "report/normalised_table.hpp"

#include <cmath>

#include "report/report_file.hpp"
#include "run/workers.hpp"

namespace {

// Spot lines one thread formats at a time, at most.
constexpr int spots_per_range = 512;

void put_spot_line(report_text& line, const spot_tables& t, const ma_tables& ma, int spot) {
    put_spot_columns(line, t, spot, spot);
    for (int f = 1; f <= t.file_count; ++f) {
        const double m = ma.m[f][spot];
        if (std::isnan(m)) {
            line.put("\t-");
        } else {
            line.put("\t");
            line.put_fixed(m, 6, 0);
        }
    }
    line.put("\n");
}

}  // namespace

void put_spot_columns(report_text& line, const spot_tables& t, int number, int spot) {
    line.put_int(number);
    line.put("\t");
    line.put_int(t.spot_block[spot]);
    line.put("\t");
    line.put_int(t.spot_column[spot]);
    line.put("\t");
    line.put_int(t.spot_row[spot]);
    line.put("\t");
    line.put_text_tab(&t.gene_name[spot][0]);
    line.put(&t.gene_id[spot][0]);
}

void normalised_table(const run_settings& s, const spot_tables& t, const ma_tables& ma) {
    const std::string path = report_path(s, normalised_report_name);
    report_file out(path.c_str());
    require_open(out, path);
    out.put("Number\tBlock\tColumn\tRow\tName\tID");
    for (int f = 1; f <= t.file_count; ++f) {
        out.put("\t");
        out.put(s.file_label(f));
    }
    out.put("\n");
    const int ns = t.spot_count;
    put_lines_in_order(out, s.threads, ns, range_size(s.threads, ns, spots_per_range),
                       [&](report_text& line, int spot) { put_spot_line(line, t, ma, spot); });
    out.close();
}
