#include "numeric/fivenum.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// The value at a depth d (1-based, whole or ending in .5) of sorted[0..m-1],
// counted from the bottom; the depth is passed doubled to stay whole. A whole
// depth gives the value itself, not its half added twice, which would
// overflow beyond 2^1023 (R's fivenum does, and gives infinity there).
double at_depth(const std::vector<double>& sorted, int twice_depth) {
    const int below = twice_depth / 2;        // floor(d)
    const int above = (twice_depth + 1) / 2;  // ceil(d)
    if (below == above) return sorted[below - 1];
    return 0.5 * (sorted[below - 1] + sorted[above - 1]);
}

}  // namespace

five_numbers fivenum(const double* v, int n) {
    std::vector<double> sorted;
    for (int k = 0; k < n; ++k)
        if (!std::isnan(v[k])) sorted.push_back(v[k]);
    const int m = static_cast<int>(sorted.size());
    if (m == 0) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        return {nan, nan, nan, nan, nan};
    }
    // -0 before +0: they compare equal, and which of them a sort leaves first
    // would otherwise depend on the standard library.
    std::sort(sorted.begin(), sorted.end(),
              [](double a, double b) { return a < b || (a == b && std::signbit(a) && !std::signbit(b)); });
    const int twice_median_depth = m + 1;
    const int twice_hinge_depth = twice_median_depth / 2 + 1;  // floor(d) + 1
    // The upper hinge sits at the same depth counted from the top: place m + 1 - d.
    const int twice_upper_place = 2 * (m + 1) - twice_hinge_depth;
    return {sorted[0], at_depth(sorted, twice_hinge_depth), at_depth(sorted, twice_median_depth),
            at_depth(sorted, twice_upper_place), sorted[m - 1]};
}

double upper_fence(const double* v, int n) {
    const five_numbers f = fivenum(v, n);
    return f.upper_hinge + 1.5 * (f.upper_hinge - f.lower_hinge);
}

int mark_outliers(const double* v, int n, bool* outlier) {
    const double fence = upper_fence(v, n);
    int count = 0;
    for (int k = 0; k < n; ++k) {
        outlier[k] = v[k] > fence;
        count += outlier[k] ? 1 : 0;
    }
    return count;
}
