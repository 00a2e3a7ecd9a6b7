#include "numeric/ks_statistic.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "numeric/radix_sort.hpp"

std::vector<double> pooled_sorted(const double* const* rows, int files, int spots) {
    std::vector<double> pooled;
    for (int f = 0; f < files; ++f)
        for (int s = 0; s < spots; ++s)
            if (!std::isnan(rows[f][s])) pooled.push_back(rows[f][s]);
    radix_sort(pooled);
    return pooled;
}

// F_x is constant between two neighbouring distinct values of x while
// F_pooled rises, so on each such stretch the largest gap lies at one of its
// ends: at a value v of x (both counts taken at most v) or just below the
// next one (both counts taken below it). Before the first value of x F_x is 0,
// after the last it is 1; those stretches end the same way.
double ks_statistic(const double* x, int n, const double* pooled, int pooled_n) {
    std::vector<double> xs;
    for (int k = 0; k < n; ++k)
        if (!std::isnan(x[k])) xs.push_back(x[k]);
    const std::int64_t nx = static_cast<std::int64_t>(xs.size());
    const std::int64_t ny = pooled_n;
    if (nx == 0 || ny == 0) return std::numeric_limits<double>::quiet_NaN();
    radix_sort(xs);

    const double* pooled_end = pooled + pooled_n;
    const double* from = pooled;  // the pooled values below the current x are behind this
    std::int64_t largest = 0;
    std::size_t start = 0;
    while (start < xs.size()) {
        std::size_t end = start + 1;
        while (end < xs.size() && xs[end] == xs[start]) ++end;
        const double* below = std::lower_bound(from, pooled_end, xs[start]);
        const double* upto = std::upper_bound(below, pooled_end, xs[start]);
        const std::int64_t x_below = static_cast<std::int64_t>(start);
        const std::int64_t x_upto = static_cast<std::int64_t>(end);
        const std::int64_t y_below = below - pooled;
        const std::int64_t y_upto = upto - pooled;
        const std::int64_t gap_below = x_below * ny - y_below * nx;
        const std::int64_t gap_upto = x_upto * ny - y_upto * nx;
        largest = std::max({largest, gap_below, -gap_below, gap_upto, -gap_upto});
        from = upto;
        start = end;
    }
    return static_cast<double>(largest) / (static_cast<double>(nx) * static_cast<double>(ny));
}
