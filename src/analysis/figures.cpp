#include "analysis/figures.hpp"

#include <algorithm>
#include <cmath>

#include "input/spot_loader.hpp"
#include "run/workers.hpp"

namespace {

// Cells of all slide pictures together; keeps the page small at 99 files.
constexpr long long slide_cell_budget = 160000;

double quantile(std::vector<double>& v, double p) {
    const double position = p * static_cast<double>(v.size() - 1);
    const std::size_t below = static_cast<std::size_t>(std::floor(position));
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(below), v.end());
    const double a = v[below];
    if (below + 1 >= v.size()) return a;
    const double b = *std::min_element(v.begin() + static_cast<std::ptrdiff_t>(below) + 1, v.end());
    return a + (position - static_cast<double>(below)) * (b - a);
}

int slide_level(double mean_m) {
    const double t = std::clamp(mean_m, -slide_m_limit, slide_m_limit);
    return static_cast<int>(std::lround((t + slide_m_limit) / (2 * slide_m_limit) * (slide_levels - 1)));
}

// Block columns whose picture comes closest to a portrait slide (width : height = 1 : 2).
int block_columns_for(int blocks, int tile_columns, int tile_rows) {
    int best = 1;
    double best_distance = 1e300;
    for (int c = 1; c <= blocks; ++c) {
        if (blocks % c != 0) continue;
        const double width = static_cast<double>(c) * (tile_columns + 1);
        const double height = static_cast<double>(blocks / c) * (tile_rows + 1);
        const double distance = std::fabs(std::log(width / height / 0.5));
        if (distance < best_distance) {
            best_distance = distance;
            best = c;
        }
    }
    return best;
}

struct file_pass {
    ma_points kept, before, aside;
    std::vector<double> m_values, tile_sum;
    std::vector<int> tile_count, order;
};

std::size_t tile_index(const spot_tables& t, const slide_layout& l, int s) {
    const int b = t.spot_block[s] - 1;
    const int column = (b % l.block_columns) * (l.tile_columns + 1) + (t.spot_column[s] - 1) / l.tile;
    const int row = (b / l.block_columns) * (l.tile_rows + 1) + (t.spot_row[s] - 1) / l.tile;
    const int width = l.block_columns * (l.tile_columns + 1) - 1;
    return static_cast<std::size_t>(row) * width + column;
}

level_raster slide_picture(const slide_layout& l, const file_pass& p) {
    const int width = l.block_columns * (l.tile_columns + 1) - 1;
    const int height = (l.blocks / l.block_columns) * (l.tile_rows + 1) - 1;
    level_raster r(width, height);
    for (int b = 0; b < l.blocks; ++b)
        for (int tr = 0; tr < l.tile_rows; ++tr)
            for (int tc = 0; tc < l.tile_columns; ++tc) {
                const int column = (b % l.block_columns) * (l.tile_columns + 1) + tc;
                const int row = (b / l.block_columns) * (l.tile_rows + 1) + tr;
                const std::size_t i = static_cast<std::size_t>(row) * width + column;
                r.at(column, row) = p.tile_count[i] > 0 ? slide_level(p.tile_sum[i] / p.tile_count[i]) : slide_missing;
            }
    return r;
}

// A set-aside spot on the MA picture: its M and A; a spot below the flag
// cutoff has none, and is placed by its background-subtracted medians.
void add_aside(const run_settings& s, const spot_tables& t, const ma_tables& ma, int f, int spot, file_pass& p,
               file_figures& out) {
    double m = ma.m[f][spot], a = ma.a[f][spot];
    if (below_flag_cutoff(s, t, f, spot)) {
        const double red = t.f632_median[f][spot] - t.b632_median[f][spot];
        const double green = t.f532_median[f][spot] - t.b532_median[f][spot];
        if (red > 0.0 && green > 0.0) {
            m = std::log2(red / green);
            if (s.is_swapped(f)) m = -m;
            a = 0.5 * (std::log2(red) + std::log2(green));
            ++out.aside_from_medians;
        }
    }
    if (!std::isfinite(m) || !std::isfinite(a)) {
        ++out.without_m;
        return;
    }
    p.aside.a.push_back(a);
    p.aside.m.push_back(m);
}

void collect_file(const run_settings& s, const spot_tables& t, const ma_tables& ma, int f, const html_figures& fig,
                  file_pass& p, file_figures& out) {
    for (ma_points* points : {&p.kept, &p.before, &p.aside}) points->clear();
    std::fill(p.tile_sum.begin(), p.tile_sum.end(), 0.0);
    std::fill(p.tile_count.begin(), p.tile_count.end(), 0);
    p.m_values.clear();
    const slide_layout& l = fig.layout;
    for (int spot = 1; spot <= t.spot_count; ++spot) {
        if (set_aside_by_flag(s, t, f, spot)) {
            add_aside(s, t, ma, f, spot, p, out);
            continue;
        }
        const double m = ma.m[f][spot], a = ma.a[f][spot];
        if (!std::isfinite(m) || !std::isfinite(a)) {
            ++out.without_m;
            continue;
        }
        p.kept.a.push_back(a);
        p.kept.m.push_back(m);
        if (fig.with_before) {
            p.before.a.push_back(a);
            p.before.m.push_back(ma.raw_m[f][spot]);
        }
        p.m_values.push_back(m);
        if (l.usable) {
            const std::size_t i = tile_index(t, l, spot);
            p.tile_sum[i] += m;
            ++p.tile_count[i];
        }
    }
    bin_points(p.kept, fig.grid.columns, fig.grid.rows, out.kept);
    fit_curve(p.kept, fig.grid.columns, out.kept, p.order);
    if (fig.with_before) {
        bin_points(p.before, fig.grid.columns, fig.grid.rows, out.before);
        fit_curve(p.before, fig.grid.columns, out.before, p.order);
    }
    bin_points(p.aside, fig.grid.columns, fig.grid.rows, out.aside);
    if (l.usable) out.slide = slide_picture(l, p);
    out.box = box_of(p.m_values);
}

}  // namespace

ma_grid ma_grid_for(int files) { return files <= many_files ? ma_grid{128, 80} : ma_grid{64, 40}; }

bool set_aside_by_flag(const run_settings& s, const spot_tables& t, int f, int spot) {
    if (s.flag_cutoff_given) return below_flag_cutoff(s, t, f, spot) || t.spot_flag[f][spot] == failed_quality_control;
    return t.spot_flag[f][spot] < 0.0;
}

void count_extreme_ratios(const run_settings& s, const spot_tables& t, html_figures& fig) {
    fig.marks.assign(static_cast<std::size_t>(std::max(0, t.file_count)), extreme_ratios{});
    for (int f = 1; f <= t.file_count; ++f) {
        extreme_ratios& e = fig.marks[static_cast<std::size_t>(f - 1)];
        for (int spot = 1; spot <= t.spot_count; ++spot) {
            if (below_flag_cutoff(s, t, f, spot)) continue;
            const double ratio = t.spot_ratio[f][spot];
            if (ratio == 0.0) ++e.zero;
            if (ratio == genepix_no_ratio) ++e.hundred_thousand;
        }
    }
}

box_summary box_of(std::vector<double>& values) {
    box_summary b;
    b.count = static_cast<int>(values.size());
    if (values.empty()) return b;
    b.median = quantile(values, 0.5);
    b.q1 = quantile(values, 0.25);
    b.q3 = quantile(values, 0.75);
    const double reach = 1.5 * (b.q3 - b.q1);
    b.low = b.q1;
    b.high = b.q3;
    for (double v : values) {
        if (v >= b.q1 - reach && v < b.low) b.low = v;
        if (v <= b.q3 + reach && v > b.high) b.high = v;
    }
    return b;
}

slide_layout plan_slide(const spot_tables& t) {
    slide_layout l;
    if (t.spot_count < 1) return l;
    for (int s = 1; s <= t.spot_count; ++s) {
        if (t.spot_block[s] < 1 || t.spot_column[s] < 1 || t.spot_row[s] < 1) return l;
        l.blocks = std::max(l.blocks, t.spot_block[s]);
        l.columns = std::max(l.columns, t.spot_column[s]);
        l.rows = std::max(l.rows, t.spot_row[s]);
    }
    // A grid far larger than the spots it holds says the numbers are not a layout.
    const long long grid = static_cast<long long>(l.blocks) * l.columns * l.rows;
    if (grid > 16LL * t.spot_count + 1024) return l;
    while (static_cast<long long>(std::max(1, t.file_count)) * l.blocks * ((l.columns + l.tile - 1) / l.tile) *
               ((l.rows + l.tile - 1) / l.tile) >
           slide_cell_budget)
        ++l.tile;
    l.tile_columns = (l.columns + l.tile - 1) / l.tile;
    l.tile_rows = (l.rows + l.tile - 1) / l.tile;
    l.block_columns = block_columns_for(l.blocks, l.tile_columns, l.tile_rows);
    l.usable = true;
    return l;
}

void collect_html_figures(const run_settings& s, const spot_tables& t, const ma_tables& ma, html_figures& fig) {
    fig.layout = plan_slide(t);
    fig.grid = ma_grid_for(t.file_count);
    fig.with_before = ma.raw_m.row_hi() >= t.file_count && t.file_count > 0;
    fig.files.assign(static_cast<std::size_t>(std::max(0, t.file_count)), file_figures{});
    // Files are independent: each thread keeps its own working room and
    // writes only its files' figures, so the figures are those of one thread.
    const int workers = workers_for(s.threads, t.file_count);
    std::vector<file_pass> passes(static_cast<std::size_t>(workers));
    for (file_pass& p : passes) {
        p.m_values.reserve(static_cast<std::size_t>(std::max(0, t.spot_count)));
        if (fig.layout.usable) {
            const slide_layout& l = fig.layout;
            const std::size_t cells = static_cast<std::size_t>(l.block_columns * (l.tile_columns + 1) - 1) *
                                      static_cast<std::size_t>((l.blocks / l.block_columns) * (l.tile_rows + 1) - 1);
            p.tile_sum.assign(cells, 0.0);
            p.tile_count.assign(cells, 0);
        }
    }
    parallel_for(workers, t.file_count, [&](int item, int worker) {
        collect_file(s, t, ma, item + 1, fig, passes[static_cast<std::size_t>(worker)],
                     fig.files[static_cast<std::size_t>(item)]);
    });
}
