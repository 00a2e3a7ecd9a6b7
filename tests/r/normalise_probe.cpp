// Reads a tab-separated table on standard input and writes the result of the
// normalisation routines on standard output, for comparison with R.
//
//   normalise_probe lowess     input: case, f, iter, delta, x, y (x ascending within a case)
//                              output: case, fitted
//   normalise_probe normalise  input: file, spot, block, M, A (NA for missing; spots of a
//                              file in order)
//                              output: file, spot and the normalised M of median, loess,
//                              printtiploess, each also followed by scale between files
// Every input starts with a heading line; numbers are read and written as
// hexadecimal floating point (exact both ways, in R too), NA for not-a-number.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "numeric/array_normalisation.hpp"
#include "numeric/lowess.hpp"

namespace {

double number_of(const std::string& field) {
    if (field == "NA" || field == "NaN") return std::nan("");
    return std::strtod(field.c_str(), nullptr);
}

std::string text_of(double v) {
    if (std::isnan(v)) return "NA";
    if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%a", v);
    return buffer;
}

std::vector<std::vector<std::string>> read_table() {
    std::vector<std::vector<std::string>> rows;
    std::string line;
    std::getline(std::cin, line);  // heading
    while (std::getline(std::cin, line)) {
        std::vector<std::string> fields;
        std::stringstream in(line);
        std::string field;
        while (std::getline(in, field, '\t')) fields.push_back(field);
        rows.push_back(fields);
    }
    return rows;
}

int run_lowess() {
    const auto rows = read_table();
    std::cout << "case\tfitted\n";
    for (std::size_t first = 0; first < rows.size();) {
        std::size_t stop = first;
        while (stop < rows.size() && rows[stop][0] == rows[first][0]) ++stop;
        std::vector<double> x, y, fit(stop - first);
        for (std::size_t i = first; i < stop; ++i) {
            x.push_back(number_of(rows[i][4]));
            y.push_back(number_of(rows[i][5]));
        }
        const double f = number_of(rows[first][1]);
        const int iterations = std::atoi(rows[first][2].c_str()) + 1;
        lowess(x, y, f, iterations, number_of(rows[first][3]), fit);
        for (double v : fit) std::cout << rows[first][0] << '\t' << text_of(v) << '\n';
        first = stop;
    }
    return 0;
}

struct file_columns {
    std::string name;
    std::vector<std::string> spot;
    std::vector<int> block;
    std::vector<double> m, a;
};

int run_normalise() {
    const auto rows = read_table();
    std::vector<file_columns> files;
    for (const auto& r : rows) {
        if (files.empty() || files.back().name != r[0]) files.push_back({r[0], {}, {}, {}, {}});
        file_columns& f = files.back();
        f.spot.push_back(r[1]);
        f.block.push_back(std::atoi(r[2].c_str()));
        f.m.push_back(number_of(r[3]));
        f.a.push_back(number_of(r[4]));
    }
    const within_array_method methods[] = {within_array_method::median, within_array_method::loess,
                                           within_array_method::print_tip_loess};
    // normalised[method][file]: within, then scaled between files.
    std::vector<std::vector<double>> within[3], scaled[3];
    for (int k = 0; k < 3; ++k) {
        std::vector<std::span<double>> columns;
        for (const file_columns& f : files) {
            std::vector<double> m = f.m, trend(m.size());
            within_array_trend(methods[k], m, f.a, f.block, trend);
            subtract_trend(m, trend);
            within[k].push_back(m);
            scaled[k].push_back(m);
        }
        for (auto& m : scaled[k]) columns.emplace_back(m);
        scale_between_arrays(columns);
    }
    std::cout << "file\tspot\tmedian\tloess\tprinttiploess\tscale_median\tscale_loess\tscale_printtiploess\n";
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (std::size_t s = 0; s < files[i].spot.size(); ++s) {
            std::cout << files[i].name << '\t' << files[i].spot[s];
            for (int k = 0; k < 3; ++k) std::cout << '\t' << text_of(within[k][i][s]);
            for (int k = 0; k < 3; ++k) std::cout << '\t' << text_of(scaled[k][i][s]);
            std::cout << '\n';
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "lowess") == 0) return run_lowess();
    if (argc == 2 && std::strcmp(argv[1], "normalise") == 0) return run_normalise();
    std::cerr << "usage: normalise_probe lowess|normalise < table\n";
    return 2;
}
