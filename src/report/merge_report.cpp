#include "report/merge_report.hpp"

#include <string>

#include "report/report_file.hpp"
#include "report/report_staging.hpp"
#include "run/failure.hpp"
#include "run/workers.hpp"

namespace {

// Gene lines one thread formats at a time, at most.
constexpr int genes_per_range = 512;

void put_value(report_text& out, double value) {
    out.put_fixed(value, 3, 4);
    out.put("\t");
}

// The three counts that open the report: files, genes, replicates.
void put_run_summary(report_text& out, const spot_tables& t) {
    out.put("The number of data sets merged:\t ");
    out.put_int(t.file_count);
    out.put("\nThe number of genes in each file:\t ");
    out.put_int(t.gene_count);
    out.put("\nThe nummber of replicated spots in each file:\t ");
    out.put_int(t.replicate_count);
    out.put("\n\n");
}

// A title, the file-name row and one count per file: first the values not
// used (unusable plus outliers), then the outliers alone.
void put_file_counts(report_text& out, const run_settings& s, const spot_tables& t, const merge_tables& m) {
    out.put("The number of spots not used in ratio calculation in each data set:\n");
    put_file_names(out, s);
    for (int f = 1; f <= t.file_count; ++f) {
        out.put_int(static_cast<long long>(m.file_unusable[f]) + m.file_outliers[f]);
        out.put("\t");
    }
    out.put("\n\n");

    out.put("The number of outliers found in each data set:\n");
    put_file_names(out, s);
    for (int f = 1; f <= t.file_count; ++f) {
        out.put_int(m.file_outliers[f]);
        out.put("\t");
    }
    out.put("\n\n");
}

void put_gene_heading(report_text& out, const run_settings& s) {
    out.put("Number\tPosition\tName\tID\t");
    for (int f = 1; f <= s.file_count(); ++f) {
        out.put(s.file_label(f));
        out.put("-Ratio\t");
    }
    out.put(
        "Mean of Ratio\tStandard Deviation\tCV\tMedian of Ratio\tMean of Log2-Ratio\t"
        "Standard Deviation of Log2-Ratio\tP-Value(t statistic)\tSpots used\tOutliers Found\n");
}

// Spot numbers a-b, the position (block and row of the last replicate, the
// columns of the first and last), the name and the ID of gene g.
void put_gene_place(report_text& out, const spot_tables& t, int g) {
    const int a = (g - 1) * t.replicate_count + 1;
    const int b = g * t.replicate_count;
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
}

// The per-file means and the pooled statistics of gene g; "-" where none exist.
void put_gene_statistics(report_text& out, const spot_tables& t, const merge_tables& m, int g) {
    for (int f = 1; f <= t.file_count; ++f) put_value(out, m.file_gene_mean[f][g]);
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
    if (has_p_value(m.gene_p_value[g])) {
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

}  // namespace

void merge_report(const run_settings& s, const spot_tables& t, const merge_tables& m) {
    const std::string path = report_path(s, "merge.txt");
    report_file out(path.c_str());
    if (!out.is_open())
        failure_stop("can't open the data file: <" + shown_report_path(path) +
                     ">\nclose the Excel or other application which opens this file and try again.\n");
    put_run_summary(out, t);
    put_file_counts(out, s, t, m);
    put_gene_heading(out, s);
    put_lines_in_order(out, s.threads, t.gene_count, range_size(s.threads, t.gene_count, genes_per_range),
                       [&](report_text& line, int g) {
                           put_gene_place(line, t, g);
                           put_gene_statistics(line, t, m, g);
                       });
    out.close();
}
