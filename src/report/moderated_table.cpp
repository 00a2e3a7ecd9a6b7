#include "report/moderated_table.hpp"

#include <cmath>

#include "numeric/fixed_text.hpp"
#include "report/normalised_table.hpp"
#include "report/report_file.hpp"
#include "run/workers.hpp"

namespace {

// Gene lines one thread formats at a time, at most.
constexpr int genes_per_range = 512;

void put_value(report_text& line, double value, bool significant_digits) {
    line.put("\t");
    if (std::isnan(value)) {
        line.put("-");
    } else if (significant_digits) {
        char text[fixed_text_room];
        line.put(std::string_view(text, format_general(text, value, 6)));
    } else {
        line.put_fixed(value, 6, 0);
    }
}

void put_gene_line(report_text& line, const spot_tables& t, const moderated_genes& genes, int g) {
    const int spot = (g - 1) * t.replicate_count + 1;
    const std::size_t k = static_cast<std::size_t>(g - 1);
    put_spot_columns(line, t, g, spot);
    const moderated_result& r = genes.result;
    put_value(line, genes.log2_ratio[k + 1], false);
    put_value(line, r.t[k], false);
    put_value(line, r.p_value[k], true);
    put_value(line, r.adjusted_p[k], true);
    put_value(line, r.b[k], false);
    line.put("\n");
}

}  // namespace

void moderated_table(const run_settings& s, const spot_tables& t, const moderated_genes& genes) {
    const std::string path = report_path(s, moderated_report_name);
    report_file out(path.c_str());
    require_open(out, path);
    out.put("Gene\tBlock\tColumn\tRow\tName\tID\tlog2 ratio\tt\tp-value\tadjusted p-value\tB\n");
    put_lines_in_order(out, s.threads, t.gene_count, range_size(s.threads, t.gene_count, genes_per_range),
                       [&](report_text& line, int g) { put_gene_line(line, t, genes, g); });
    out.close();
}
