#include "report/correlation_report.hpp"

#include <cstdio>

#include "numeric/console_text.hpp"
#include "numeric/correlation.hpp"
#include "numeric/run_end.hpp"
#include "report/report_file.hpp"

namespace {

// A cell no coefficient can take, printed as "-".
constexpr double not_computed = 2.0;

void put_matrix(report_file& out, const run_settings& s, const dmatrix_t& m) {
    out.put("File Name\t");
    put_file_names(out, s);
    for (int i = 1; i <= s.file_count(); ++i) {
        out.put_text_tab(s.file_name(i));
        for (int j = 1; j <= s.file_count(); ++j) {
            if (m[i][j] == not_computed) {
                out.put("-\t");
            } else {
                out.put_fixed(m[i][j], 3, 4);
                out.put("\t");
            }
        }
        out.put("\n");
    }
}

void fill(dmatrix_t& m, int n) {
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) m[i][j] = not_computed;
}

using coefficient = double (*)(series<const double>, series<const double>, int);
using pair_coefficients = void (*)(const dmatrix_t&, int, int, dmatrix_t&, dmatrix_t&);

// Every pair i < j of files, one table at a time; each coefficient equals the
// plain routine's on the two rows.
void file_pairs(pair_coefficients r, const spot_tables& t, const dmatrix_t& f632_net, const dmatrix_t& f532_net,
                dmatrix_t& cor_ratio, dmatrix_t& cor_f632, dmatrix_t& cor_f532, dmatrix_t& scratch) {
    r(t.spot_ratio, t.file_count, t.spot_count, cor_ratio, scratch);
    r(f632_net, t.file_count, t.spot_count, cor_f632, scratch);
    r(f532_net, t.file_count, t.spot_count, cor_f532, scratch);
}

void per_file(report_file& out, coefficient r, const run_settings& s, const spot_tables& t,
              const dmatrix_t& f632_net, const dmatrix_t& f532_net) {
    put_file_names(out, s);
    for (int f = 1; f <= t.file_count; ++f) {
        out.put_fixed(r(f632_net[f], f532_net[f], t.spot_count), 3, 4);
        out.put("\t");
    }
    out.put("\n");
}

}  // namespace

void correlation_report(const run_settings& s, spot_tables& t) {
    const int nf = t.file_count;
    const int ns = t.spot_count;
    dmatrix_t cor_ratio = dmatrix(1, nf, 1, nf);
    dmatrix_t cor_f632 = dmatrix(1, nf, 1, nf);
    dmatrix_t cor_f532 = dmatrix(1, nf, 1, nf);
    dmatrix_t f632_net = dmatrix(1, nf, 1, ns);
    dmatrix_t f532_net = dmatrix(1, nf, 1, ns);

    const std::string path = s.report_path("cor.txt");
    report_file out(path.c_str());
    if (!out.is_open()) {
        failure_text("Can't open the data file: %s, press any key to exit\n", path.c_str());
        failure_stop(1);
    }
    for (int f = 1; f <= nf; ++f)
        for (int s = 1; s <= ns; ++s) {
            f632_net[f][s] = t.f632_median[f][s] - t.b632_median[f][s];
            f532_net[f][s] = t.f532_median[f][s] - t.b532_median[f][s];
        }
    fill(cor_ratio, nf);
    fill(cor_f632, nf);
    fill(cor_f532, nf);
    for (int f = 1; f <= nf; ++f) {
        const double factor = t.norm_factor[f][s.ratio_approach];
        for (int s = 1; s <= ns; ++s) t.spot_ratio[f][s] = factor * t.spot_ratio[f][s];
    }
    dmatrix_t scratch = dmatrix(1, nf, 1, ns);
    file_pairs(pearson_r_pairs, t, f632_net, f532_net, cor_ratio, cor_f632, cor_f532, scratch);

    out.put("==================Raw Scale=====================\n\n");
    out.put("\n--- Correlation Coefficient of F632 and F532 Intensities(bkg subtracted)  for each  data file ---\n");
    per_file(out, pearson_r, s, t, f632_net, f532_net);
    out.put("\n--- Correlation Coefficient of F632 Intensities(bkg subtracted)  for each pair of data files ---\n");
    put_matrix(out, s, cor_f632);
    out.put("\n--- Correlation Coefficient of F532 Intensities(bkg subtracted)  for each pair of data files ---\n");
    put_matrix(out, s, cor_f532);
    out.put("\n----------- Correlation Coefficient of Ratio for each pair of data files ----------\n");
    put_matrix(out, s, cor_ratio);
    dmatrix_free(cor_ratio, 1, nf, 1, nf);
    dmatrix_free(cor_f632, 1, nf, 1, nf);
    dmatrix_free(cor_f532, 1, nf, 1, nf);

    out.put("\n\n==================Log2 Scale=====================\n\n");
    dmatrix_t cor_log2_ratio = dmatrix(1, nf, 1, nf);
    dmatrix_t cor_log2_f632 = dmatrix(1, nf, 1, nf);
    dmatrix_t cor_log2_f532 = dmatrix(1, nf, 1, nf);
    fill(cor_log2_ratio, nf);
    fill(cor_log2_f632, nf);
    fill(cor_log2_f532, nf);
    file_pairs(log2_pearson_r_pairs, t, f632_net, f532_net, cor_log2_ratio, cor_log2_f632, cor_log2_f532, scratch);
    dmatrix_free(scratch, 1, nf, 1, ns);

    out.put("\n--- Correlation Coefficient of Log-F632&F532 Intensities(bkg subtracted)  for each  data file ---\n");
    per_file(out, log2_pearson_r, s, t, f632_net, f532_net);
    out.put("\n--- Correlation Coefficient of Log2-F632 Intensities(bkg subtracted)  for each pair of data files ---\n");
    put_matrix(out, s, cor_log2_f632);
    out.put("\n--- Correlation Coefficient of Log2-F532 Intensities(bkg subtracted)  for each pair of data files ---\n");
    put_matrix(out, s, cor_log2_f532);
    out.put("\n----------- Correlation Coefficient of Log2 Ratio for each pair of data files ----------\n");
    put_matrix(out, s, cor_log2_ratio);
    out.put("\n");

    dmatrix_free(f632_net, 1, nf, 1, ns);
    dmatrix_free(f532_net, 1, nf, 1, ns);
    dmatrix_free(cor_log2_ratio, 1, nf, 1, nf);
    dmatrix_free(cor_log2_f632, 1, nf, 1, nf);
    dmatrix_free(cor_log2_f532, 1, nf, 1, nf);
    out.close();
}
