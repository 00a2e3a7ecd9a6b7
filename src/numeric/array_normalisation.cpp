#include "numeric/array_normalisation.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "numeric/lowess.hpp"

namespace {

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

// A spot taking part in a loess fit. Sorting by block, then A, then spot
// number gives one order on every platform; ties in A keep the spot order, as
// in R's order().
struct fit_key {
    int block;
    int spot;
    double a;
};

struct fits_before {
    bool operator()(const fit_key& p, const fit_key& q) const {
        if (p.a != q.a) return p.a < q.a;
        return p.spot < q.spot;
    }
};

// Files list their spots block by block, so the keys are grouped by block
// stably first (nothing to do when they already are), then each block's run
// is sorted alone: many small sorts instead of one large one.
void sort_keys(std::vector<fit_key>& keys) {
    const auto by_block = [](const fit_key& p, const fit_key& q) { return p.block < q.block; };
    if (!std::is_sorted(keys.begin(), keys.end(), by_block)) std::stable_sort(keys.begin(), keys.end(), by_block);
    for (auto first = keys.begin(); first != keys.end();) {
        auto stop = first + 1;
        while (stop != keys.end() && stop->block == first->block) ++stop;
        std::sort(first, stop, fits_before{});
        first = stop;
    }
}

// Median of v (reordered, at least one value), the mean of the two middle
// values for an even count: nth_element finds the upper one, the largest of
// the part before it the lower one.
double median_in_place(std::vector<double>& v) {
    const std::size_t half = v.size() / 2;
    const auto middle = v.begin() + static_cast<std::ptrdiff_t>(half);
    std::nth_element(v.begin(), middle, v.end());
    const double upper = *middle;
    if (v.size() % 2 == 1) return upper;
    const double lower = *std::max_element(v.begin(), middle);
    return (lower + upper) / 2.0;
}

void median_trend(std::span<const double> m, std::span<double> trend) {
    std::vector<double> present;
    present.reserve(m.size());
    for (double v : m)
        if (!std::isnan(v)) present.push_back(v);
    const double centre = present.empty() ? not_a_number : median_in_place(present);
    for (std::size_t s = 0; s < m.size(); ++s) trend[s] = std::isnan(m[s]) ? not_a_number : centre;
}

// Lowess of M on A over the spots of each run of one block in keys (sorted).
void loess_trend(const std::vector<fit_key>& keys, std::span<const double> m, std::span<double> trend,
                 const loess_settings& settings) {
    std::vector<double> x, y, fit;
    for (std::size_t first = 0; first < keys.size();) {
        std::size_t stop = first + 1;
        while (stop < keys.size() && keys[stop].block == keys[first].block) ++stop;
        const std::size_t count = stop - first;
        x.resize(count);
        y.resize(count);
        fit.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            x[i] = keys[first + i].a;
            y[i] = m[static_cast<std::size_t>(keys[first + i].spot)];
        }
        const double delta = 0.01 * (x[count - 1] - x[0]);
        lowess(x, y, settings.span, settings.iterations, delta, fit);
        for (std::size_t i = 0; i < count; ++i) trend[static_cast<std::size_t>(keys[first + i].spot)] = fit[i];
        first = stop;
    }
}

}  // namespace

void within_array_trend(within_array_method method, std::span<const double> m, std::span<const double> a,
                        std::span<const int> block, std::span<double> trend, const loess_settings& settings) {
    if (method == within_array_method::median) {
        median_trend(m, trend);
        return;
    }
    const bool by_block = method == within_array_method::print_tip_loess;
    std::vector<fit_key> keys;
    keys.reserve(m.size());
    for (std::size_t s = 0; s < m.size(); ++s) {
        trend[s] = not_a_number;
        if (std::isfinite(m[s]) && std::isfinite(a[s]))
            keys.push_back({by_block ? block[s] : 0, static_cast<int>(s), a[s]});
    }
    sort_keys(keys);
    loess_trend(keys, m, trend, settings);
}

void subtract_trend(std::span<double> m, std::span<const double> trend) {
    for (std::size_t s = 0; s < m.size(); ++s) m[s] -= trend[s];
}

double median_abs_value(std::span<const double> v) {
    std::vector<double> present;
    present.reserve(v.size());
    for (double x : v)
        if (!std::isnan(x)) present.push_back(std::fabs(x));
    return present.empty() ? not_a_number : median_in_place(present);
}

double geometric_mean(std::span<const double> values) {
    const double n = static_cast<double>(values.size());
    double sum = 0.0;
    for (double v : values) sum += std::log(v);
    const double mean = sum / n;
    if (!std::isfinite(mean)) return std::exp(mean);
    // The deviations from the first mean, summed again, take out most of its rounding.
    double correction = 0.0;
    for (double v : values) correction += std::log(v) - mean;
    return std::exp(mean + correction / n);
}

void scale_to_common(std::span<double> v, double median_abs, double target) {
    const double factor = target / median_abs;
    for (double& x : v) x *= factor;
}

void scale_between_arrays(std::span<const std::span<double>> files) {
    std::vector<double> medians;
    medians.reserve(files.size());
    for (std::span<double> f : files) medians.push_back(median_abs_value(f));
    const double target = geometric_mean(medians);
    for (std::size_t k = 0; k < files.size(); ++k) scale_to_common(files[k], medians[k], target);
}
