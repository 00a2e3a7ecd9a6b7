// Reads a gene x file matrix of log ratios (tab-separated, one gene a line,
// NA for a missing value) and writes the moderated statistics of every gene at
// full precision, for the comparison with limma:
//
//   moderated_probe MATRIX [--time]
//
// Output: df.prior, s2.prior and var.prior lines, then a header and one line a
// gene: logFC, t, P.Value, adj.P.Val, B, NA where there is no value. --time
// adds the seconds of the fits and the statistics on standard error.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "numeric/empirical_bayes.hpp"

namespace {
void print_number(double x) {
    if (std::isnan(x)) {
        std::fputs("NA", stdout);
    } else {
        std::printf("%.17g", x);
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: moderated_probe MATRIX [--time]\n", stderr);
        return 2;
    }
    const bool timed = argc > 2 && std::strcmp(argv[2], "--time") == 0;
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    std::vector<double> values;
    int columns = -1;
    int genes = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::stringstream fields(line);
        std::string field;
        int count = 0;
        while (std::getline(fields, field, '\t')) {
            values.push_back(field == "NA" ? std::nan("") : std::strtod(field.c_str(), nullptr));
            ++count;
        }
        if (columns >= 0 && count != columns) {
            std::fprintf(stderr, "line %d has %d values, not %d\n", genes + 1, count, columns);
            return 2;
        }
        columns = count;
        ++genes;
    }

    const auto start = std::chrono::steady_clock::now();
    std::vector<gene_fit> fits(genes);
    for (int g = 0; g < genes; ++g)
        fits[g] = one_sample_fit(values.data() + static_cast<std::size_t>(g) * columns, columns);
    const moderated_result r = moderated_t(fits);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (timed) std::fprintf(stderr, "%d genes x %d files: %.4f s\n", genes, columns, took.count());

    if (!r.estimable) {
        std::puts("not estimable");
        return 0;
    }
    std::fputs("df.prior\t", stdout);
    print_number(r.df_prior);
    std::fputs("\ns2.prior\t", stdout);
    print_number(r.s2_prior);
    std::fputs("\nvar.prior\t", stdout);
    print_number(r.var_prior);
    std::puts("\nlogFC\tt\tP.Value\tadj.P.Val\tB");
    for (int g = 0; g < genes; ++g) {
        print_number(fits[g].present ? fits[g].coefficient : std::nan(""));
        for (double x : {r.t[g], r.p_value[g], r.adjusted_p[g], r.b[g]}) {
            std::fputc('\t', stdout);
            print_number(x);
        }
        std::fputc('\n', stdout);
    }
    return 0;
}
