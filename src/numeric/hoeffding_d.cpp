#include "numeric/hoeffding_d.hpp"

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "numeric/tie_spans.hpp"

namespace {

// Fenwick tree of counts over keys 1..size.
struct fenwick {
    std::vector<int> count;
};

void fenwick_add(fenwick& f, int key) {
    const int size = static_cast<int>(f.count.size()) - 1;
    for (int k = key; k <= size; k += k & -k) ++f.count[k];
}

// Number of keys added so far that are at most `key` (0 for key 0).
int fenwick_prefix(const fenwick& f, int key) {
    int total = 0;
    for (int k = key; k > 0; k -= k & -k) total += f.count[k];
    return total;
}

}  // namespace

// With phi(a, b) = 1, 1/2, 0 for a <, =, > b, Q - 1 is the sum over j != i of
// phi(x_j, x_i) phi(y_j, y_i). As phi(a, b) = ([a < b] + [a <= b]) / 2,
//   4 (Q_i - 1) = N<<(i) + N<=(i) + N=<(i) + N==(i) - 1,
// each N counting the pairs j (i included) below (<) or not above (=, read <=)
// pair i in x and in y; the - 1 takes out j = i, counted once in N==.
// Sweeping the tie groups of x in increasing order, the counts strictly below
// in x are read before the group enters the tree, those at most x after.
double hoeffding_d(const double* x, const double* y, int n) {
    std::vector<double> px;
    std::vector<double> py;
    for (int k = 0; k < n; ++k) {
        if (std::isnan(x[k]) || std::isnan(y[k])) continue;
        px.push_back(x[k]);
        py.push_back(y[k]);
    }
    const int m = static_cast<int>(px.size());
    if (m < 5) return std::numeric_limits<double>::quiet_NaN();

    std::vector<int> x_first(m), x_last(m), y_first(m), y_last(m);
    tie_spans(px.data(), m, x_first.data(), x_last.data());
    tie_spans(py.data(), m, y_first.data(), y_last.data());

    // Pairs in x order, tie group by tie group: a group's members fill the
    // places x_first..x_last in input order.
    std::vector<int> by_x(m);
    std::vector<int> filled(m + 1, 0);
    for (int k = 0; k < m; ++k) by_x[x_first[k] - 1 + filled[x_first[k]]++] = k;

    // quarter[k] = 4 (Q_k - 1); each y is entered at the key y_last, so
    // prefix(y_last) counts y <= y_k and prefix(y_first - 1) counts y < y_k.
    std::vector<std::int64_t> quarter(m, -1);
    fenwick tree{std::vector<int>(m + 1, 0)};
    int group = 0;
    while (group < m) {
        const int end = x_last[by_x[group]];  // one past the group's last place, 0-based
        for (int p = group; p < end; ++p) {
            const int k = by_x[p];
            quarter[k] += fenwick_prefix(tree, y_first[k] - 1) + fenwick_prefix(tree, y_last[k]);
        }
        for (int p = group; p < end; ++p) fenwick_add(tree, y_last[by_x[p]]);
        for (int p = group; p < end; ++p) {
            const int k = by_x[p];
            quarter[k] += fenwick_prefix(tree, y_first[k] - 1) + fenwick_prefix(tree, y_last[k]);
        }
        group = end;
    }

    // Twice the midranks and four times Q are whole numbers, so every sum is
    // kept 16 times too large, which the denominator takes back. The D1 and D3
    // terms are exact doubles (below 2^53 up to 80,000 pairs); the sums round.
    double d1 = 0.0;
    double d2 = 0.0;
    double d3 = 0.0;
    for (int k = 0; k < m; ++k) {
        const std::int64_t r2 = x_first[k] + x_last[k];
        const std::int64_t s2 = y_first[k] + y_last[k];
        const std::int64_t q4 = quarter[k] + 4;
        d1 += static_cast<double>((q4 - 4) * (q4 - 8));
        d2 += static_cast<double>((r2 - 2) * (r2 - 4)) * static_cast<double>((s2 - 2) * (s2 - 4));
        d3 += static_cast<double>((r2 - 4) * (s2 - 4)) * static_cast<double>(q4 - 4);
    }
    const double mm = m;
    const double numerator = (mm - 2.0) * (mm - 3.0) * d1 + d2 - 2.0 * (mm - 2.0) * d3;
    const double denominator = 16.0 * mm * (mm - 1.0) * (mm - 2.0) * (mm - 3.0) * (mm - 4.0);
    return 30.0 * numerator / denominator;
}
