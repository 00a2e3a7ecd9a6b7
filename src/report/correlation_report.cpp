#include "report/correlation_report.hpp"

#include <string>

#include "report/report_file.hpp"
#include "report/report_staging.hpp"
#include "run/failure.hpp"

namespace {

// One scale of cor.txt: the headings of its banner and its four tables.
struct scale_layout {
    const char* banner;
    const char* channels_heading;
    const char* f632_heading;
    const char* f532_heading;
    const char* ratio_heading;
};

constexpr scale_layout raw_scale = {
    "==================Raw Scale=====================\n\n",
    "\n--- Correlation Coefficient of F632 and F532 Intensities(bkg subtracted)  for each  data file ---\n",
    "\n--- Correlation Coefficient of F632 Intensities(bkg subtracted)  for each pair of data files ---\n",
    "\n--- Correlation Coefficient of F532 Intensities(bkg subtracted)  for each pair of data files ---\n",
    "\n----------- Correlation Coefficient of Ratio for each pair of data files ----------\n",
};

constexpr scale_layout log2_scale = {
    "\n\n==================Log2 Scale=====================\n\n",
    "\n--- Correlation Coefficient of Log-F632&F532 Intensities(bkg subtracted)  for each  data file ---\n",
    "\n--- Correlation Coefficient of Log2-F632 Intensities(bkg subtracted)  for each pair of data files ---\n",
    "\n--- Correlation Coefficient of Log2-F532 Intensities(bkg subtracted)  for each pair of data files ---\n",
    "\n----------- Correlation Coefficient of Log2 Ratio for each pair of data files ----------\n",
};

// One heading, the file-name row, then one row per file of the pairs i < j.
void put_pair_table(report_text& out, const char* heading, const run_settings& s, const dmatrix_t& m) {
    out.put(heading);
    out.put("File Name\t");
    put_file_names(out, s);
    for (int i = 1; i <= s.file_count(); ++i) {
        out.put_text_tab(s.file_label(i));
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
void put_channel_row(report_text& out, const char* heading, const run_settings& s, const dvector_t& r) {
    out.put(heading);
    put_file_names(out, s);
    for (int f = 1; f <= s.file_count(); ++f) {
        out.put_fixed(r[f], 3, 4);
        out.put("\t");
    }
    out.put("\n");
}

void put_scale(report_text& out, const scale_layout& layout, const run_settings& s, const scale_correlations& c) {
    out.put(layout.banner);
    put_channel_row(out, layout.channels_heading, s, c.channels);
    put_pair_table(out, layout.f632_heading, s, c.f632);
    put_pair_table(out, layout.f532_heading, s, c.f532);
    put_pair_table(out, layout.ratio_heading, s, c.ratio);
}

}  // namespace

void correlation_report(const run_settings& s, const correlation_tables& c) {
    const std::string path = report_path(s, "cor.txt");
    report_file out(path.c_str());
    if (!out.is_open())
        failure_stop("Can't open the data file: " + shown_report_path(path) + ", press any key to exit\n");
    put_scale(out, raw_scale, s, c.raw);
    put_scale(out, log2_scale, s, c.log2);
    out.put("\n");
    out.close();
}
