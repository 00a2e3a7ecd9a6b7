#include "numeric/mean_abs_difference.hpp"

#include <cmath>
#include <cstddef>
#include <vector>

double mean_abs_difference(const double* a, const double* b, int n) {
    double sum = 0.0;
    int common = 0;
    for (int s = 0; s < n; ++s) {
        if (std::isnan(a[s]) || std::isnan(b[s])) continue;
        sum += std::fabs(a[s] - b[s]);
        ++common;
    }
    return sum / common;
}

double file_distance(const double* pair_means, int files, int i) {
    double sum = 0.0;
    for (int j = 0; j < files; ++j) {
        if (j == i) continue;
        const int lo = j < i ? j : i;
        const int hi = j < i ? i : j;
        sum += pair_means[static_cast<std::size_t>(lo) * files + hi];
    }
    return sum;
}

void file_distances(const double* const* rows, int files, int spots, double* distance) {
    std::vector<double> pair_means(static_cast<std::size_t>(files) * files, 0.0);
    for (int i = 0; i < files; ++i)
        for (int j = i + 1; j < files; ++j)
            pair_means[static_cast<std::size_t>(i) * files + j] = mean_abs_difference(rows[i], rows[j], spots);
    for (int i = 0; i < files; ++i) distance[i] = file_distance(pair_means.data(), files, i);
}
