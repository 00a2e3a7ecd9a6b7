#include "numeric/lowess.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "numeric/lanes.hpp"

namespace {

// Several local fits go through the loops together, two vectors of W lanes,
// one fit per lane. Each lane does exactly the scalar operations of its fit, in
// index order, so the result is the same bits as one fit at a time (no
// reassociation, no fused multiply-add), whatever the width or instruction set.
// The alignment is spelled out: without it the compiler would give the wide
// type 16 bytes outside the AVX2 code and 32 inside.
template <int W>
struct lane_kind {
    typedef double lanes __attribute__((vector_size(8 * W), aligned(8 * W)));
    typedef long long bits __attribute__((vector_size(8 * W), aligned(8 * W)));
};
constexpr int vectors = 2;

// Room for lanes at their full alignment (a std::vector of them would drop
// it). What it holds after make_room is undefined.
template <int W>
class lane_array {
public:
    using lanes = typename lane_kind<W>::lanes;
    void make_room(std::size_t count) {
        if (count <= capacity_) return;
        block_.reset(::operator new(count * sizeof(lanes), alignment));
        capacity_ = count;
    }
    lanes* data() { return static_cast<lanes*>(block_.get()); }
    const lanes* data() const { return static_cast<const lanes*>(block_.get()); }

private:
    static constexpr std::align_val_t alignment{alignof(lanes)};
    struct release {
        void operator()(void* p) const { ::operator delete(p, alignment); }
    };
    std::unique_ptr<void, release> block_;
    std::size_t capacity_ = 0;
};

// Above this many bytes the tricube weights are computed again in every pass
// instead of kept from the first; a fit of 55,296 points with span 0.3 keeps
// about 16 MB at two lanes per vector and 32 MB at four.
constexpr std::size_t kept_weights_limit = std::size_t{48} << 20;

// A point where the local line is computed: its neighbourhood x[left..left+ns-1]
// and the points after it that share its x and copy its fit (at..tied_last).
struct fit_site {
    std::size_t at, left, tied_last;
};

// The points where the line is computed, from x alone, so the same in every
// pass: the neighbourhood slides right while that brings its far end no
// further from x[at] than its near end; after a site, points within delta are
// skipped (interpolated later) up to the last of them, which is the next site,
// except points tied with the site, which copy its fit.
std::vector<fit_site> fit_sites(std::span<const double> x, std::size_t ns, double delta) {
    const std::size_t n = x.size();
    std::vector<fit_site> sites;
    std::size_t left = 0;
    std::size_t i = 0;
    for (;;) {
        while (left + ns < n && x[i] - x[left] > x[left + ns] - x[i]) ++left;
        std::size_t last = i;
        const double cut = x[i] + delta;
        std::size_t k = i + 1;
        for (; k < n && x[k] <= cut; ++k)
            if (x[k] == x[i]) last = k;
        sites.push_back({i, left, last});
        if (last >= n - 1) break;
        i = std::max(last + 1, k - 1);
    }
    return sites;
}

// 2W consecutive sites (the last group repeats its last site to fill the
// lanes). Vector v carries sites Wv .. Wv + W - 1 over the points
// x[base[v] .. base[v] + length - 1], which hold both neighbourhoods. Points
// outside a lane's neighbourhood get no weight without a mask: those right of
// it lie further from the site than its farthest neighbour, and those left of
// it were dropped as it slid, so they lie further from the site than its
// right end.
template <int W>
struct lane_group {
    using lanes = typename lane_kind<W>::lanes;
    static constexpr int lane_count = vectors * W;
    std::size_t site[lane_count];  // index in the list of sites
    std::size_t at[lane_count];    // index of the point
    std::size_t base[vectors];
    std::size_t length;
    std::size_t kept;  // start of its tricube weights in lowess_work::kept
    lanes xs[vectors], h[vectors];
};

template <int W>
std::vector<lane_group<W>> lane_groups(std::span<const double> x, const std::vector<fit_site>& sites, std::size_t ns) {
    const std::size_t n = x.size();
    std::vector<lane_group<W>> groups;
    std::size_t kept = 0;
    for (std::size_t k = 0; k < sites.size(); k += vectors * W) {
        lane_group<W> g;
        g.length = 0;
        for (int v = 0; v < vectors; ++v) {
            std::size_t stop = 0;
            for (int e = 0; e < W; ++e) {
                const std::size_t index = std::min(k + W * v + e, sites.size() - 1);
                const fit_site& s = sites[index];
                const double at = x[s.at];
                const std::size_t right = s.left + ns - 1;
                const double h = std::max(at - x[s.left], x[right] - at);
                // Points further right count while they are as close as the farthest neighbour.
                std::size_t past = right + 1;
                while (past < n && !(x[past] > at && std::fabs(x[past] - at) > 0.999 * h)) ++past;
                g.site[W * v + e] = index;
                g.at[W * v + e] = s.at;
                g.xs[v][e] = at;
                g.h[v][e] = h;
                stop = std::max(stop, past);
            }
            g.base[v] = sites[g.site[W * v]].left;
            g.length = std::max(g.length, stop - g.base[v]);
        }
        for (int v = 0; v < vectors; ++v) g.base[v] = std::min(g.base[v], n - g.length);
        g.kept = kept;
        kept += vectors * g.length;
        groups.push_back(g);
    }
    return groups;
}

template <int W>
struct lowess_work {
    using lanes = typename lane_kind<W>::lanes;
    lane_array<W> x, y, robustness;  // each value once per lane
    lane_array<W> kept;              // the tricube weights of every group, from the first pass
    lane_array<W> weight;            // the weights of the group being fitted
    lane_array<W> fresh;             // the tricube weights of the group, when not kept
    std::vector<double> site_fit;
    std::vector<double> residual;
};

// Tricube weights of the group's lanes: in the distance r from the site scaled
// by the farthest neighbour h, 1 for r <= h/1000, 0 for r > 0.999 h.
template <int W>
void tricube_weights(const lane_group<W>& g, const lowess_work<W>& work, typename lane_kind<W>::lanes* w) {
    using lanes = typename lane_kind<W>::lanes;
    using lane_bits = typename lane_kind<W>::bits;
    const lanes one = lanes{} + 1.0;
    const lane_bits magnitude = ~(lane_bits)(-lanes{});  // every bit but the sign
    for (int v = 0; v < vectors; ++v) {
        const lanes xs = g.xs[v], h = g.h[v];
        const lanes h_upper = 0.999 * h, h_lower = 0.001 * h;
        const lanes* x = work.x.data() + g.base[v];
        for (std::size_t t = 0; t < g.length; ++t) {
            const lanes r = (lanes)((lane_bits)(x[t] - xs) & magnitude);
            const lanes q = r / h;
            const lanes c = 1.0 - q * q * q;
            const lanes tricube = r <= h_lower ? one : c * c * c;
            w[vectors * t + v] = r <= h_upper ? tricube : lanes{};
        }
    }
}

// The local lines of the group's lanes from their tricube weights w0: the
// weights times the robustness weights, normalised to sum 1; the weighted line
// through the neighbourhood evaluated at the site, or the weighted mean when
// the weighted spread of x is no more than 1/1000 of the range of all x (or
// the neighbourhood has one x). A lane whose weights are all zero keeps y.
template <int W>
void fit_group(const lane_group<W>& g, const typename lane_kind<W>::lanes* w0, double x_range,
               std::span<const double> y, lowess_work<W>& work, double* fit) {
    using lanes = typename lane_kind<W>::lanes;
    work.weight.make_room(vectors * g.length);
    lanes* w = work.weight.data();
    const lanes* x[vectors];
    const lanes* yv[vectors];
    const lanes* rw[vectors];
    for (int v = 0; v < vectors; ++v) {
        x[v] = work.x.data() + g.base[v];
        yv[v] = work.y.data() + g.base[v];
        rw[v] = work.robustness.data() + g.base[v];
    }
    // The inner loops are unrolled so that the vectors' sums stay in registers.
    lanes total[vectors] = {};
    for (std::size_t t = 0; t < g.length; ++t) {
#pragma GCC unroll 2
        for (int v = 0; v < vectors; ++v) {
            w[vectors * t + v] = w0[vectors * t + v] * rw[v][t];
            total[v] += w[vectors * t + v];
        }
    }
    lanes centre[vectors] = {};
    for (std::size_t t = 0; t < g.length; ++t) {
#pragma GCC unroll 2
        for (int v = 0; v < vectors; ++v) {
            w[vectors * t + v] = w[vectors * t + v] / total[v];
            centre[v] += w[vectors * t + v] * x[v][t];
        }
    }
    lanes spread[vectors] = {};
    for (std::size_t t = 0; t < g.length; ++t) {
#pragma GCC unroll 2
        for (int v = 0; v < vectors; ++v) {
            const lanes d = x[v][t] - centre[v];
            spread[v] += w[vectors * t + v] * (d * d);
        }
    }
    // A zero slope leaves every weight as it is: w * (0 * d + 1) == w.
    lanes slope[vectors] = {};
    for (int v = 0; v < vectors; ++v)
        for (int e = 0; e < W; ++e)
            if (g.h[v][e] > 0.0 && std::sqrt(spread[v][e]) > 0.001 * x_range)
                slope[v][e] = (g.xs[v][e] - centre[v][e]) / spread[v][e];
    lanes sum[vectors] = {};
    for (std::size_t t = 0; t < g.length; ++t) {
#pragma GCC unroll 2
        for (int v = 0; v < vectors; ++v)
            sum[v] += w[vectors * t + v] * (slope[v] * (x[v][t] - centre[v]) + 1.0) * yv[v][t];
    }
    for (int v = 0; v < vectors; ++v)
        for (int e = 0; e < W; ++e) fit[W * v + e] = total[v][e] > 0.0 ? sum[v][e] : y[g.at[W * v + e]];
}

// One pass of local fits at the sites, then the copies for tied points and the
// linear interpolation between sites.
template <int W>
void fit_pass(std::span<const double> x, std::span<const double> y, const std::vector<fit_site>& sites,
              const std::vector<lane_group<W>>& groups, bool first_pass, bool keep, lowess_work<W>& work,
              std::span<double> fitted) {
    using lanes = typename lane_kind<W>::lanes;
    constexpr int lane_count = lane_group<W>::lane_count;
    const double x_range = x[x.size() - 1] - x[0];
    work.site_fit.resize(lane_count * groups.size());
    for (std::size_t k = 0; k < groups.size(); ++k) {
        const lane_group<W>& g = groups[k];
        lanes* w0;
        if (keep) {
            w0 = work.kept.data() + g.kept;
        } else {
            work.fresh.make_room(vectors * g.length);
            w0 = work.fresh.data();
        }
        if (first_pass || !keep) tricube_weights(g, work, w0);
        double fit[lane_count];
        fit_group(g, w0, x_range, y, work, fit);
        for (int l = 0; l < lane_count; ++l) work.site_fit[g.site[l]] = fit[l];
    }
    for (std::size_t k = 0; k < sites.size(); ++k) {
        const fit_site& s = sites[k];
        const double ys = work.site_fit[k];
        for (std::size_t j = s.at; j <= s.tied_last; ++j) fitted[j] = ys;
        if (k == 0) continue;
        const std::size_t last = sites[k - 1].tied_last;
        const double span = x[s.at] - x[last];
        for (std::size_t j = last + 1; j < s.at; ++j) {
            const double alpha = (x[j] - x[last]) / span;
            fitted[j] = alpha * ys + (1.0 - alpha) * fitted[last];
        }
    }
}

// Median of v (reordered), the mean of the two middle values when the count is even.
double median_in_place(std::vector<double>& v) {
    const std::size_t n = v.size();
    const std::size_t half = n / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(half), v.end());
    const double upper = v[half];
    if (n % 2 == 1) return upper;
    const double lower = *std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(half));
    return (lower + upper) / 2.0;
}

// Bisquare robustness weights from the residuals of the last pass, cut at six
// times their median absolute value: 1 up to 1/1000 of the cut, 0 beyond
// 0.999 of it. False when that median is below 1e-7 of the mean absolute
// residual: the fit is then (all but) exact and the weights would only follow
// rounding, so the iterations stop there.
template <int W>
bool robustness_weights(std::span<const double> y, std::span<const double> fitted, lowess_work<W>& work) {
    const std::size_t n = y.size();
    work.residual.resize(n);
    double total = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        work.residual[i] = std::fabs(y[i] - fitted[i]);
        total += work.residual[i];
    }
    const double mean_abs = total / static_cast<double>(n);
    std::vector<double> sorted = work.residual;
    const double cut = 6.0 * median_in_place(sorted);
    if (cut < 1e-7 * mean_abs) return false;
    const double cut_upper = 0.999 * cut;
    const double cut_lower = 0.001 * cut;
    for (std::size_t i = 0; i < n; ++i) {
        const double r = work.residual[i];
        double weight = 0.0;
        if (r <= cut_lower) {
            weight = 1.0;
        } else if (r <= cut_upper) {
            const double u = r / cut;
            const double t = 1.0 - u * u;
            weight = t * t;
        }
        work.robustness.data()[i] = typename lane_kind<W>::lanes{} + weight;
    }
    return true;
}

// The whole fit at W lanes per vector, from n >= 2 points.
template <int W>
void lowess_lanes(std::span<const double> x, std::span<const double> y, std::size_t ns, int iterations, double delta,
                  std::span<double> fitted) {
    using lanes = typename lane_kind<W>::lanes;
    const std::size_t n = x.size();
    const std::vector<fit_site> sites = fit_sites(x, ns, delta);
    const std::vector<lane_group<W>> groups = lane_groups<W>(x, sites, ns);
    lowess_work<W> work;
    work.x.make_room(n);
    work.y.make_room(n);
    work.robustness.make_room(n);
    for (std::size_t i = 0; i < n; ++i) {
        work.x.data()[i] = lanes{} + x[i];
        work.y.data()[i] = lanes{} + y[i];
        work.robustness.data()[i] = lanes{} + 1.0;
    }
    const std::size_t kept = groups.back().kept + vectors * groups.back().length;
    const bool keep = iterations > 1 && kept * sizeof(lanes) <= kept_weights_limit;
    if (keep) work.kept.make_room(kept);  // written whole by the first pass
    for (int step = 1; step <= iterations; ++step) {
        fit_pass<W>(x, y, sites, groups, step == 1, keep, work, fitted);
        if (step == iterations || !robustness_weights<W>(y, fitted, work)) break;
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// Four lanes per 256-bit vector; everything it calls is compiled into it, so
// the AVX2 instructions stay behind the check in lowess().
__attribute__((target("avx2"), flatten)) void lowess_wide(std::span<const double> x, std::span<const double> y,
                                                          std::size_t ns, int iterations, double delta,
                                                          std::span<double> fitted) {
    lowess_lanes<4>(x, y, ns, iterations, delta, fitted);
}
#endif

}  // namespace

int lowess_neighbours(double f, int n) {
    const int k = static_cast<int>(f * n + 1e-7);
    return std::max(2, std::min(n, k));
}

void lowess(std::span<const double> x, std::span<const double> y, double span, int iterations, double delta,
            std::span<double> fitted) {
    const std::size_t n = x.size();
    if (n == 0) return;
    if (n == 1) {
        fitted[0] = y[0];
        return;
    }
    const std::size_t ns = static_cast<std::size_t>(lowess_neighbours(span, static_cast<int>(n)));
#if defined(__x86_64__) && defined(__GNUC__)
    if (wide_lanes()) {
        lowess_wide(x, y, ns, iterations, delta, fitted);
        return;
    }
#endif
    lowess_lanes<2>(x, y, ns, iterations, delta, fitted);
}
