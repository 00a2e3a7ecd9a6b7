#include "numeric/spatial_share.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "numeric/tie_spans.hpp"

namespace {

// A count of cells from a positive value: floor(value + 0.5) within 1..most.
int cells_from(double value, int most) {
    const double whole = std::floor(value + 0.5);
    if (!(whole >= 1.0)) return 1;
    if (whole >= most) return most;
    return static_cast<int>(whole);
}

// The cell of a position offset from the lowest one, of `cells` across range.
int cell_of(double offset, double range, int cells) {
    if (!(range > 0.0)) return 0;
    const int cell = static_cast<int>(std::floor(offset / range * cells));
    return cell < cells ? cell : cells - 1;
}

struct unit_point {
    double c;
    double s;
};

// n! as a double; exact up to 22!.
constexpr double factorial(int n) {
    double f = 1.0;
    for (int k = 2; k <= n; ++k) f *= k;
    return f;
}

// cos t and sin t for t in 0..pi/4 from their Taylor series up to t^18 and
// t^17 (what is left out is below 1e-19), summed by Horner's rule. Only
// additions, multiplications and divisions of doubles, each rounded as
// IEEE 754 prescribes, so the bits are the same on every platform; the
// libm's cos and sin are not (glibc's and MinGW's differ in the last bit on
// about 0.2% of these angles). Within one unit in the last place of the true
// values. eighth_circle(0) = {1, 0}.
unit_point eighth_circle(double t) {
    const double t2 = t * t;
    double c = 0.0;
    for (int n = 18; n >= 2; n -= 2) c = c * t2 + (n % 4 == 2 ? -1.0 : 1.0) / factorial(n);
    double s = 0.0;
    for (int n = 17; n >= 3; n -= 2) s = s * t2 + (n % 4 == 3 ? -1.0 : 1.0) / factorial(n);
    return {1.0 + t2 * c, t + t * t2 * s};
}

// cos and sin of 2 pi j / period for j = 0..period-1. Each angle goes, as the
// whole numbers 8 j = octant period + r, to the first eighth of the circle,
// t = (pi / 4) r' / period with r' = r in even octants and period - r in odd
// ones; the exact symmetries (cos(pi - t) = -cos t, ...) give the rest.
// pi / 4 is a literal.
std::vector<unit_point> unit_circle(int period) {
    const double eighth_turn = 0.78539816339744830962;
    std::vector<unit_point> points(static_cast<std::size_t>(period));
    for (int j = 0; j < period; ++j) {
        const std::int64_t eighths = 8 * static_cast<std::int64_t>(j);
        const std::int64_t octant = eighths / period;
        const std::int64_t r = eighths - octant * period;
        const std::int64_t along = octant % 2 == 0 ? r : period - r;
        const double t = eighth_turn * static_cast<double>(along) / static_cast<double>(period);
        const unit_point e = eighth_circle(t);
        const double c = e.c;
        const double s = e.s;
        unit_point& p = points[static_cast<std::size_t>(j)];
        switch (octant) {
            case 0:
                p = {c, s};
                break;
            case 1:
                p = {s, c};
                break;
            case 2:
                p = {-s, c};
                break;
            case 3:
                p = {-c, s};
                break;
            case 4:
                p = {-c, -s};
                break;
            case 5:
                p = {-s, -c};
                break;
            case 6:
                p = {s, -c};
                break;
            default:
                p = {c, -s};
                break;
        }
    }
    return points;
}

// Place of the angle 2 pi k j / period in unit_circle(period); k j can pass
// 2^31 on a grid of one row.
std::size_t turn(int k, int j, int period) {
    return static_cast<std::size_t>(static_cast<std::int64_t>(k) * j % period);
}

// The distinct frequencies 0, +-1, .., +-cutoff modulo `cells`, ascending.
std::vector<int> low_frequencies(int cells, int cutoff) {
    std::vector<bool> low(static_cast<std::size_t>(cells), false);
    for (int k = -cutoff; k <= cutoff; ++k) low[static_cast<std::size_t>(((k % cells) + cells) % cells)] = true;
    std::vector<int> frequencies;
    for (int k = 0; k < cells; ++k)
        if (low[static_cast<std::size_t>(k)]) frequencies.push_back(k);
    return frequencies;
}

}  // namespace

spatial_grid spatial_grid_for(int spots, double x_range, double y_range) {
    const double cells = spots / spatial_spots_per_cell;
    if (!(x_range > 0.0) && !(y_range > 0.0)) return {1, 1};
    if (!(x_range > 0.0)) return {1, cells_from(cells, spots)};
    if (!(y_range > 0.0)) return {cells_from(cells, spots), 1};
    const int nx = cells_from(std::sqrt(cells * x_range / y_range), spots);
    const int ny = cells_from(cells / nx, spots);
    return {nx, ny};
}

namespace {

// The spots with M and a place, and their grid of mean centred ranks of M.
struct rank_grid {
    int nx = 0, ny = 0;
    std::vector<double> g;  // u-major: (u, v) at u ny + v
};

// Twice the centred ranks are whole numbers, so the cell sums are exact and
// each cell mean is one division. Empty when fewer than two spots count.
rank_grid mean_rank_grid(const double* m, const double* x, const double* y, int n) {
    std::vector<double> pm, px, py;
    for (int k = 0; k < n; ++k) {
        if (std::isnan(m[k]) || !std::isfinite(x[k]) || !std::isfinite(y[k])) continue;
        pm.push_back(m[k]);
        px.push_back(x[k]);
        py.push_back(y[k]);
    }
    const int spots = static_cast<int>(pm.size());
    if (spots < 2) return {};
    double x_low = px[0], x_high = px[0], y_low = py[0], y_high = py[0];
    for (int k = 1; k < spots; ++k) {
        x_low = std::fmin(x_low, px[k]);
        x_high = std::fmax(x_high, px[k]);
        y_low = std::fmin(y_low, py[k]);
        y_high = std::fmax(y_high, py[k]);
    }
    const double x_range = x_high - x_low;
    const double y_range = y_high - y_low;
    const spatial_grid grid = spatial_grid_for(spots, x_range, y_range);
    std::vector<int> first(spots), last(spots);
    tie_spans(pm.data(), spots, first.data(), last.data());
    const std::size_t cells = static_cast<std::size_t>(grid.nx) * grid.ny;
    std::vector<std::int64_t> twice_sum(cells, 0);
    std::vector<int> count(cells, 0);
    for (int k = 0; k < spots; ++k) {
        const int u = cell_of(px[k] - x_low, x_range, grid.nx);
        const int v = cell_of(py[k] - y_low, y_range, grid.ny);
        const std::size_t c = static_cast<std::size_t>(u) * grid.ny + v;
        twice_sum[c] += first[k] + last[k] - (spots + 1);
        ++count[c];
    }
    rank_grid r{grid.nx, grid.ny, std::vector<double>(cells, 0.0)};
    for (std::size_t c = 0; c < cells; ++c)
        if (count[c] > 0) r.g[c] = static_cast<double>(twice_sum[c]) / (2.0 * count[c]);
    return r;
}

// The summed power of the grid's discrete Fourier transform at frequencies up
// to cutoff on both axes, but (0, 0): row transforms along v for the low ky,
// then along u for the low kx.
double low_frequency_power(const rank_grid& grid, int cutoff) {
    const int nx = grid.nx;
    const int ny = grid.ny;
    const std::vector<int> kxs = low_frequencies(nx, cutoff);
    const std::vector<int> kys = low_frequencies(ny, cutoff);
    const std::size_t rows = kys.size();
    std::vector<double> h_re(rows * nx, 0.0), h_im(rows * nx, 0.0);
    const std::vector<unit_point> y_circle = unit_circle(ny);
    const std::vector<unit_point> x_circle = unit_circle(nx);
    std::vector<unit_point> w(static_cast<std::size_t>(ny > nx ? ny : nx));
    for (std::size_t r = 0; r < rows; ++r) {
        for (int v = 0; v < ny; ++v) w[v] = y_circle[turn(kys[r], v, ny)];
        for (int u = 0; u < nx; ++u) {
            const double* row = grid.g.data() + static_cast<std::size_t>(u) * ny;
            double re = 0.0, im = 0.0;
            for (int v = 0; v < ny; ++v) {
                re += row[v] * w[v].c;
                im -= row[v] * w[v].s;
            }
            h_re[r * nx + u] = re;
            h_im[r * nx + u] = im;
        }
    }
    double low = 0.0;
    for (int kx : kxs) {
        for (int u = 0; u < nx; ++u) w[u] = x_circle[turn(kx, u, nx)];
        for (std::size_t r = 0; r < rows; ++r) {
            if (kx == 0 && kys[r] == 0) continue;
            double re = 0.0, im = 0.0;
            for (int u = 0; u < nx; ++u) {
                // (a + ib)(c - is) = ac + bs + i(bc - as)
                const double a = h_re[r * nx + u];
                const double b = h_im[r * nx + u];
                re += a * w[u].c + b * w[u].s;
                im += b * w[u].c - a * w[u].s;
            }
            low += re * re + im * im;
        }
    }
    return low;
}

}  // namespace

double spatial_share(const double* m, const double* x, const double* y, int n, int cutoff) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const rank_grid grid = mean_rank_grid(m, x, y, n);
    if (grid.g.empty()) return nan;
    double sum = 0.0;
    for (double v : grid.g) sum += v;
    const double cells = static_cast<double>(grid.g.size());
    const double mean = sum / cells;
    double squares = 0.0;
    for (double v : grid.g) squares += (v - mean) * (v - mean);
    const double total = cells * squares;
    if (!(total > 0.0)) return nan;
    return low_frequency_power(grid, cutoff) / total;
}
