#include "report/correlation_report.hpp"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "run/console.hpp"
#include "numeric/correlation.hpp"
#include "run/workers.hpp"
#include "run/failure.hpp"
#include "report/report_file.hpp"

namespace {

using coefficient = double (*)(series<const double>, series<const double>, int);
using pair_coefficients = void (*)(const dmatrix_t&, int, int, dmatrix_t&, dmatrix_t&);

// One scale of cor.txt: its coefficients and the headings of its four tables.
struct scale_layout {
    const char* banner;
    coefficient per_file;
    pair_coefficients per_pair;
    const char* channels_heading;
    const char* f632_heading;
    const char* f532_heading;
    const char* ratio_heading;
};

constexpr scale_layout raw_scale = {
    "==================Raw Scale=====================\n\n",
    pearson_r,
    pearson_r_pairs,
    "\n--- Correlation Coefficient of F632 and F532 Intensities(bkg subtracted)  for each  data file ---\n",
    "\n--- Correlation Coefficient of F632 Intensities(bkg subtracted)  for each pair of data files ---\n",
    "\n--- Correlation Coefficient of F532 Intensities(bkg subtracted)  for each pair of data files ---\n",
    "\n----------- Correlation Coefficient of Ratio for each pair of data files ----------\n",
};

constexpr scale_layout log2_scale = {
    "\n\n==================Log2 Scale=====================\n\n",
    log2_pearson_r,
    log2_pearson_r_pairs,
    "\n--- Correlation Coefficient of Log-F632&F532 Intensities(bkg subtracted)  for each  data file ---\n",
    "\n--- Correlation Coefficient of Log2-F632 Intensities(bkg subtracted)  for each pair of data files ---\n",
    "\n--- Correlation Coefficient of Log2-F532 Intensities(bkg subtracted)  for each pair of data files ---\n",
    "\n----------- Correlation Coefficient of Log2 Ratio for each pair of data files ----------\n",
};

// Background-subtracted intensities of both channels, 1..F x 1..S.
struct net_intensities {
    dmatrix_t f632, f532;
};

net_intensities net_intensities_of(const spot_tables& t) {
    net_intensities net{dmatrix(1, t.file_count, 1, t.spot_count), dmatrix(1, t.file_count, 1, t.spot_count)};
    parallel_for(t.file_count, workers_for(t.file_count), [&](int item, int) {
        const int f = item + 1;
        for (int s = 1; s <= t.spot_count; ++s) {
            net.f632[f][s] = t.f632_median[f][s] - t.b632_median[f][s];
            net.f532[f][s] = t.f532_median[f][s] - t.b532_median[f][s];
        }
    });
    return net;
}

// A file-by-file table with every cell not_computed until a pair fills it.
dmatrix_t pair_table(int nf) {
    dmatrix_t m = dmatrix(1, nf, 1, nf);
    for (int i = 1; i <= nf; ++i)
        for (int j = 1; j <= nf; ++j) m[i][j] = not_computed;
    return m;
}

// One heading, the file-name row, then one row per file of the pairs i < j.
void put_pair_table(report_text& out, const char* heading, const run_settings& s, const dmatrix_t& m) {
    out.put(heading);
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

// One heading, the file-name row, then each file's coefficient between its channels.
void put_channel_row(report_text& out, const scale_layout& scale, const run_settings& s, const spot_tables& t,
                     const net_intensities& net) {
    std::vector<double> r(static_cast<std::size_t>(t.file_count) + 1);
    parallel_for(t.file_count, workers_for(t.file_count), [&](int item, int) {
        const int f = item + 1;
        r[static_cast<std::size_t>(f)] = scale.per_file(net.f632[f], net.f532[f], t.spot_count);
    });
    out.put(scale.channels_heading);
    put_file_names(out, s);
    for (int f = 1; f <= t.file_count; ++f) {
        out.put_fixed(r[static_cast<std::size_t>(f)], 3, 4);
        out.put("\t");
    }
    out.put("\n");
}

// The banner and the four tables of one scale; scratch (1..F x 1..S) is the
// pair sweeps' working room. With `kept`, the ratio table is moved there.
void put_scale(report_text& out, const scale_layout& scale, const run_settings& s, const spot_tables& t,
               const net_intensities& net, dmatrix_t& scratch, dmatrix_t* kept) {
    const int nf = t.file_count;
    const int ns = t.spot_count;
    out.put(scale.banner);
    dmatrix_t ratio = pair_table(nf);
    dmatrix_t f632 = pair_table(nf);
    dmatrix_t f532 = pair_table(nf);
    scale.per_pair(t.spot_ratio, nf, ns, ratio, scratch);
    scale.per_pair(net.f632, nf, ns, f632, scratch);
    scale.per_pair(net.f532, nf, ns, f532, scratch);
    put_channel_row(out, scale, s, t, net);
    put_pair_table(out, scale.f632_heading, s, f632);
    put_pair_table(out, scale.f532_heading, s, f532);
    put_pair_table(out, scale.ratio_heading, s, ratio);
    if (kept != nullptr)
        *kept = std::move(ratio);
    else
        dmatrix_free(ratio, 1, nf, 1, nf);
    dmatrix_free(f632, 1, nf, 1, nf);
    dmatrix_free(f532, 1, nf, 1, nf);
}

}  // namespace

void correlation_report(const run_settings& s, const spot_tables& t, ratio_correlations* kept) {
    net_intensities net = net_intensities_of(t);
    const std::string path = s.report_path("cor.txt");
    report_file out(path.c_str());
    if (!out.is_open()) {
        failure_text("Can't open the data file: %s, press any key to exit\n", path.c_str());
        failure_stop(1);
    }
    dmatrix_t scratch = dmatrix(1, t.file_count, 1, t.spot_count);
    put_scale(out, raw_scale, s, t, net, scratch, kept != nullptr ? &kept->raw : nullptr);
    put_scale(out, log2_scale, s, t, net, scratch, kept != nullptr ? &kept->log2 : nullptr);
    out.put("\n");
    dmatrix_free(scratch, 1, t.file_count, 1, t.spot_count);
    dmatrix_free(net.f632, 1, t.file_count, 1, t.spot_count);
    dmatrix_free(net.f532, 1, t.file_count, 1, t.spot_count);
    out.close();
}
