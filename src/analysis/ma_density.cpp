#include "analysis/ma_density.hpp"

#include <algorithm>
#include <cmath>

#include "numeric/lowess.hpp"
#include "numeric/radix_sort.hpp"

namespace {

int cell_of(double v, double low, double high, int cells) {
    const int c = static_cast<int>(std::floor((v - low) / (high - low) * cells));
    return std::clamp(c, 0, cells - 1);
}

// The fitted curve at a, between the two fitted points around it (x ascending).
double interpolated(const std::vector<double>& x, const std::vector<double>& y, double a) {
    const std::size_t right = static_cast<std::size_t>(std::upper_bound(x.begin(), x.end(), a) - x.begin());
    if (right == 0) return y.front();
    if (right == x.size()) return y.back();
    const std::size_t left = right - 1;
    if (x[right] == x[left]) return y[left];
    return y[left] + (a - x[left]) / (x[right] - x[left]) * (y[right] - y[left]);
}

}  // namespace

int density_level(int count) {
    int level = 0;
    while (count > 1 && level < density_levels - 1) {
        count >>= 1;
        ++level;
    }
    return level;
}

void bin_points(const ma_points& p, int columns, int rows, ma_density& d) {
    level_raster counts(columns, rows);
    for (std::size_t i = 0; i < p.a.size(); ++i) {
        const int column = cell_of(p.a[i], ma_a_low, ma_a_high, columns);
        const int row = rows - 1 - cell_of(p.m[i], -ma_m_limit, ma_m_limit, rows);  // M grows upwards
        int& c = counts.at(column, row);
        c = c < 0 ? 1 : c + 1;
    }
    for (int& c : counts.level)
        if (c > 0) c = density_level(c);
    d.bins = std::move(counts);
    d.spots = static_cast<int>(p.a.size());
}

void fit_curve(const ma_points& p, int columns, ma_density& d, std::vector<int>& order) {
    d.fitted = 0;
    d.curve_a.clear();
    d.curve_m.clear();
    const int n = static_cast<int>(p.a.size());
    if (n < curve_minimum) return;
    order.resize(static_cast<std::size_t>(n));
    radix_order(p.a.data(), n, order.data());
    const int every = (n + curve_sample_limit - 1) / curve_sample_limit;
    std::vector<double> x, y;
    for (int k = 0; k < n; k += every) {
        x.push_back(p.a[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])]);
        y.push_back(p.m[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])]);
    }
    if (static_cast<int>(x.size()) < curve_minimum) return;
    std::vector<double> fitted(x.size());
    lowess(x, y, 0.3, 4, 0.01 * (x.back() - x.front()), fitted);
    d.fitted = static_cast<int>(x.size());
    d.curve_a.push_back(x.front());
    d.curve_m.push_back(fitted.front());
    const double width = (ma_a_high - ma_a_low) / columns;
    for (int c = 0; c < columns; ++c) {
        const double centre = ma_a_low + (c + 0.5) * width;
        if (centre <= x.front() || centre >= x.back()) continue;
        d.curve_a.push_back(centre);
        d.curve_m.push_back(interpolated(x, fitted, centre));
    }
    d.curve_a.push_back(x.back());
    d.curve_m.push_back(fitted.back());
}
