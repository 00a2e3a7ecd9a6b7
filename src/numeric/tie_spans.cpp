#include "numeric/tie_spans.hpp"

#include <algorithm>
#include <utility>
#include <vector>

// Value and position sorted together: the order of equal values does not
// matter, as each tie group gets one span, but the pairs keep the sort
// cache-friendly on 55,296 spots.
void tie_spans(const double* v, int n, int* first, int* last) {
    std::vector<std::pair<double, int>> order(static_cast<std::size_t>(n > 0 ? n : 0));
    for (int k = 0; k < n; ++k) order[k] = {v[k], k};
    std::sort(order.begin(), order.end(), [](const std::pair<double, int>& a, const std::pair<double, int>& b) {
        return a.first < b.first || (a.first == b.first && a.second < b.second);
    });
    int start = 0;
    while (start < n) {
        int end = start + 1;
        while (end < n && order[end].first == order[start].first) ++end;
        for (int p = start; p < end; ++p) {
            first[order[p].second] = start + 1;
            last[order[p].second] = end;
        }
        start = end;
    }
}
