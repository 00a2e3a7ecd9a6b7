#include "numeric/statistics.hpp"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {
random_state generator = generator_start;

// True when every element of a[0..n-1] has the bit pattern of a[0].
bool all_identical(const double* a, int n) {
    for (int k = 1; k < n; ++k)
        if (std::memcmp(&a[k], &a[0], sizeof(double)) != 0) return false;
    return true;
}
}  // namespace

random_state& generator_state() { return generator; }

double uniform_random() { return uniform_random(generator); }

double uniform_random(random_state& state) {
    state.s1 = (171 * state.s1) % 30269;
    state.s2 = (172 * state.s2) % 30309;
    state.s3 = (170 * state.s3) % 30323;
    const double x = state.s1 / 30269.0 + state.s2 / 30309.0 + state.s3 / 30323.0;
    return x - std::trunc(x);
}

double mean_of(series<const double> v, int n) {
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) sum += v[i];
    return sum / n;
}

double sd_of(series<const double> v, int n) {
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) sum += v[i];
    const double m = sum / n;
    double q = 0.0;
    for (int i = 1; i <= n; ++i) q += (v[i] - m) * (v[i] - m);
    return std::sqrt(q / n);
}

double median_of(series<const double> v, int n) { return median_of(v, n, generator); }

double median_of(series<const double> v, int n, random_state& state) {
    if (n < 1) return std::numeric_limits<double>::quiet_NaN();
    dvector_t w = dvector(0, n);
    for (int i = 1; i <= n; ++i) w[i - 1] = v[i];
    sort_values(w.data(), n, state);
    const double result = n % 2 == 1 ? w[(n - 1) / 2] : (w[n / 2 - 1] + w[n / 2]) * 0.5;
    dvector_free(w, 0, n);
    return result;
}

// The ranges wait on an explicit stack, front range on top, so the draws come
// in the order of the recursive description without a call-stack depth of n.
void sort_values(double* a, int n) { sort_values(a, n, generator); }

void sort_values(double* a, int n, random_state& state) {
    if (n <= 1) return;
    dvector_t scratch = dvector(0, n - 1);
    double* w = scratch.data();
    struct range {
        int first, count;
        bool lopsided;  // its partition left the other side empty
    };
    std::vector<range> pending{{0, n, true}};
    while (!pending.empty()) {
        const range r = pending.back();
        pending.pop_back();
        double* x = a + r.first;
        const int m = r.count;
        if (m == 2) {
            if (x[0] > x[1]) std::swap(x[0], x[1]);
            continue;
        }
        const double u = uniform_random(state);
        // A range of one repeated value keeps every value in place, whatever
        // the pivot: only the draws of its m - 2 levels remain to be made.
        // Only a lopsided partition can have left such a range behind.
        if (r.lopsided && all_identical(x, m)) {
            for (int level = m - 1; level >= 3; --level) uniform_random(state);
            continue;
        }
        const int t = static_cast<int>(u * m);
        std::memcpy(w, x, sizeof(double) * static_cast<std::size_t>(m));
        const double p = w[t];
        // Each value is stored at both candidate places; the wrong one is
        // always overwritten later, by a value of its own side or the pivot.
        // This keeps the loop free of a branch that cannot be predicted.
        int front = 0;
        int back = 0;
        for (int k = 0; k < m; ++k) {
            if (k == t) continue;
            const double v = w[k];
            const int to_back = v >= p;  // a value that does not compare goes to the front
            x[front] = v;
            x[m - 1 - back] = v;
            front += 1 - to_back;
            back += to_back;
        }
        x[front] = p;
        if (back > 1) pending.push_back({r.first + front + 1, back, front == 0});
        if (front > 1) pending.push_back({r.first, front, back == 0});
    }
}
