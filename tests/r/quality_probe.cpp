// Writes the slide-quality statistics of a table of spots, for comparison with R.
//
//   quality_probe TABLE
//       TABLE: a header line, then lines "file spot M A X Y" separated by tabs,
//       file and spot counted from 1, NA for a missing value. Writes one line
//       per file (distance, KS, Hoeffding's D, spatial share and its grid),
//       then per statistic its five numbers and the files above the fence.
//   quality_probe --fivenum LISTS
//       LISTS: one list of numbers per line (tabs, NA allowed, maybe empty).
//       Writes the five numbers of each.
//
// Numbers are written with 17 significant digits, not-a-number as NA.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "numeric/fivenum.hpp"
#include "numeric/hoeffding_d.hpp"
#include "numeric/ks_statistic.hpp"
#include "numeric/mean_abs_difference.hpp"
#include "numeric/spatial_share.hpp"

namespace {

double number_of(const std::string& field) {
    if (field == "NA") return NAN;
    char* end = nullptr;
    const double value = std::strtod(field.c_str(), &end);
    if (end == field.c_str() || *end != '\0') {
        std::fprintf(stderr, "not a number: '%s'\n", field.c_str());
        std::exit(2);
    }
    return value;
}

std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t'))
        if (!field.empty()) fields.push_back(field);
    return fields;
}

void write_number(double value) {
    if (std::isnan(value))
        std::printf("\tNA");
    else
        std::printf("\t%.17g", value);
}

int fivenum_lists(const char* path) {
    std::ifstream in(path);
    if (!in) return 2;
    std::string line;
    while (std::getline(in, line)) {
        std::vector<double> values;
        for (const std::string& field : fields_of(line)) values.push_back(number_of(field));
        const five_numbers f = fivenum(values.data(), static_cast<int>(values.size()));
        std::printf("fivenum");
        for (double v : {f.minimum, f.lower_hinge, f.median, f.upper_hinge, f.maximum}) write_number(v);
        std::printf("\n");
    }
    return 0;
}

struct slide_table {
    int files = 0;
    int spots = 0;
    std::vector<std::vector<double>> m, a, x, y;  // [file][spot], 0-based
};

bool read_table(const char* path, slide_table& t) {
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line)) return false;
    struct row {
        int file, spot;
        double v[4];
    };
    std::vector<row> rows;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = fields_of(line);
        if (f.size() != 6) return false;
        row r{std::atoi(f[0].c_str()), std::atoi(f[1].c_str()), {}};
        for (int c = 0; c < 4; ++c) r.v[c] = number_of(f[2 + c]);
        if (r.file < 1 || r.spot < 1) return false;
        t.files = std::max(t.files, r.file);
        t.spots = std::max(t.spots, r.spot);
        rows.push_back(r);
    }
    const std::vector<double> missing(static_cast<std::size_t>(t.spots), NAN);
    t.m.assign(t.files, missing);
    t.a.assign(t.files, missing);
    t.x.assign(t.files, missing);
    t.y.assign(t.files, missing);
    for (const row& r : rows) {
        t.m[r.file - 1][r.spot - 1] = r.v[0];
        t.a[r.file - 1][r.spot - 1] = r.v[1];
        t.x[r.file - 1][r.spot - 1] = r.v[2];
        t.y[r.file - 1][r.spot - 1] = r.v[3];
    }
    return true;
}

void write_summary(const char* name, const std::vector<double>& values) {
    const int n = static_cast<int>(values.size());
    const five_numbers f = fivenum(values.data(), n);
    std::printf("fivenum\t%s", name);
    for (double v : {f.minimum, f.lower_hinge, f.median, f.upper_hinge, f.maximum}) write_number(v);
    std::printf("\noutliers\t%s", name);
    const std::unique_ptr<bool[]> outlier(new bool[static_cast<std::size_t>(n)]);
    mark_outliers(values.data(), n, outlier.get());
    for (int i = 0; i < n; ++i) std::printf("\t%d", outlier[i] ? 1 : 0);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--fivenum") == 0) return fivenum_lists(argv[2]);
    slide_table t;
    if (argc != 2 || !read_table(argv[1], t)) {
        std::fprintf(stderr, "usage: quality_probe TABLE | --fivenum LISTS\n");
        return 2;
    }
    std::vector<const double*> m_rows;
    for (const std::vector<double>& row : t.m) m_rows.push_back(row.data());
    const std::vector<double> pooled = pooled_sorted(m_rows.data(), t.files, t.spots);
    std::vector<double> distance(t.files), ks(t.files), hoeffding(t.files), spatial(t.files);
    file_distances(m_rows.data(), t.files, t.spots, distance.data());
    std::printf("file\tdistance\tks\thoeffding\tspatial\tnx\tny\n");
    for (int f = 0; f < t.files; ++f) {
        ks[f] = ks_statistic(t.m[f].data(), t.spots, pooled.data(), static_cast<int>(pooled.size()));
        hoeffding[f] = hoeffding_d(t.a[f].data(), t.m[f].data(), t.spots);
        spatial[f] = spatial_share(t.m[f].data(), t.x[f].data(), t.y[f].data(), t.spots);
        // The grid, so a disagreement on it shows as such.
        double x_low = INFINITY, x_high = -INFINITY, y_low = INFINITY, y_high = -INFINITY;
        int used = 0;
        for (int s = 0; s < t.spots; ++s) {
            if (std::isnan(t.m[f][s]) || !std::isfinite(t.x[f][s]) || !std::isfinite(t.y[f][s])) continue;
            x_low = std::min(x_low, t.x[f][s]);
            x_high = std::max(x_high, t.x[f][s]);
            y_low = std::min(y_low, t.y[f][s]);
            y_high = std::max(y_high, t.y[f][s]);
            ++used;
        }
        const spatial_grid grid =
            used > 0 ? spatial_grid_for(used, x_high - x_low, y_high - y_low) : spatial_grid{0, 0};
        std::printf("%d", f + 1);
        for (double v : {distance[f], ks[f], hoeffding[f], spatial[f]}) write_number(v);
        std::printf("\t%d\t%d\n", grid.nx, grid.ny);
    }
    write_summary("distance", distance);
    write_summary("ks", ks);
    write_summary("hoeffding", hoeffding);
    write_summary("spatial", spatial);
    return 0;
}
