#include "numeric/tie_spans.hpp"

#include <vector>

#include "numeric/radix_sort.hpp"

void tie_spans(const double* v, int n, int* first, int* last) {
    std::vector<int> order(static_cast<std::size_t>(n > 0 ? n : 0));
    radix_order(v, n, order.data());
    int start = 0;
    while (start < n) {
        int end = start + 1;
        while (end < n && v[order[end]] == v[order[start]]) ++end;
        for (int p = start; p < end; ++p) {
            first[order[p]] = start + 1;
            last[order[p]] = end;
        }
        start = end;
    }
}
