#include "report/merge_report.hpp"

#include <cstdio>

#include "numeric/console_text.hpp"
#include "numeric/run_end.hpp"
#include "report/report_file.hpp"

namespace {

void put_value(report_file& out, double value) {
    out.put_fixed(value, 3, 4);
    out.put("\t");
}

}  // namespace

void merge_report(const run_settings& s, const spot_tables& t, const merge_tables& m) {
    const int nf = t.file_count;
    const int r_count = t.replicate_count;
    const std::string path = s.report_path("merge.txt");
    report_file out(path.c_str());
    if (!out.is_open()) {
        failure_text("can't open the data file: <%s>\n", path.c_str());
        failure_text("close the Excel or other application which opens this file and try again.\n");
        failure_stop(1);
    }
    out.put("The number of data sets merged:\t ");
    out.put_int(nf);
    out.put("\nThe number of genes in each file:\t ");
    out.put_int(t.gene_count);
    out.put("\nThe nummber of replicated spots in each file:\t ");
    out.put_int(r_count);
    out.put("\n\n");

    out.put("The number of spots not used in ratio calculation in each data set:\n");
    put_file_names(out, s);
    for (int f = 1; f <= nf; ++f) {
        out.put_int(static_cast<long long>(m.file_unusable[f]) + m.file_outliers[f]);
        out.put("\t");
    }
    out.put("\n\n");

    out.put("The number of outliers found in each data set:\n");
    put_file_names(out, s);
    for (int f = 1; f <= nf; ++f) {
        out.put_int(m.file_outliers[f]);
        out.put("\t");
    }
    out.put("\n\n");

    out.put("Number\tPosition\tName\tID\t");
    for (int f = 1; f <= nf; ++f) {
        out.put(s.file_name(f));
        out.put("-Ratio\t");
    }
    out.put("Mean of Ratio\tStandard Deviation\tCV\tMedian of Ratio\tMean of Log2-Ratio\t"
            "Standard Deviation of Log2-Ratio\tP-Value(t statistic)\tSpots used\tOutliers Found\n");

    for (int g = 1; g <= t.gene_count; ++g) {
        const int a = (g - 1) * r_count + 1;
        const int b = g * r_count;
        out.put_int(a, 3);
        out.put("-");
        out.put_int(b, 3);
        out.put("\tB");
        out.put_int(t.spot_block[b]);
        out.put(" C");
        out.put_int(t.spot_column[a]);
        out.put("-C");
        out.put_int(t.spot_column[b]);
        out.put(" R");
        out.put_int(t.spot_row[b]);
        out.put("\t");
        out.put_text_tab(&t.gene_name[b][0]);
        out.put_text_tab(&t.gene_id[b][0]);
        for (int f = 1; f <= nf; ++f) put_value(out, m.file_gene_mean[f][g]);
        if (m.gene_spots_used[g] == 0) {
            out.put("-\t-\t-\t-\t-\t-\t");
        } else {
            put_value(out, m.gene_mean[g]);
            put_value(out, m.gene_sd[g]);
            put_value(out, m.gene_cv[g]);
            put_value(out, m.gene_median[g]);
            put_value(out, m.gene_log2_mean[g]);
            put_value(out, m.gene_log2_sd[g]);
        }
        if (m.gene_p_value[g] >= 0.0) {
            out.put_fixed(m.gene_p_value[g], 6, 0);
            out.put("\t");
        } else {
            out.put("-\t");
        }
        out.put_int(m.gene_spots_used[g]);
        out.put("\t");
        out.put_int(m.gene_outliers[g]);
        out.put("\n");
    }
    out.close();
}
