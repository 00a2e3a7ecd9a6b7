#include "analysis/normalise.hpp"

#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "numeric/array_normalisation.hpp"
#include "run/workers.hpp"

namespace {

constexpr double missing = std::numeric_limits<double>::quiet_NaN();

double header_factor(const run_settings& s, const spot_tables& t, int f) {
    return s.normalise == normalisation::none ? 1.0 : t.headers[static_cast<std::size_t>(f)].factor[s.ratio_approach];
}

bool takes_trend_out(const run_settings& s) {
    return s.normalise == normalisation::median || s.normalise == normalisation::loess ||
           s.normalise == normalisation::print_tip_loess;
}

within_array_method method_of(normalisation n) {
    if (n == normalisation::median) return within_array_method::median;
    if (n == normalisation::loess) return within_array_method::loess;
    return within_array_method::print_tip_loess;
}

std::span<double> row_of(dmatrix_t& m, int f, int spots) { return {m[f].data(), static_cast<std::size_t>(spots)}; }

// A ratio of a dye-swapped file, sample over reference: its reciprocal where
// it is a ratio at all (positive), as it is elsewhere.
double swapped_ratio(double v) { return v > 0.0 ? 1.0 / v : v; }

// M and A of file f before any trend is taken out (see normalise); a
// dye-swapped file's M changes sign.
void log_ratios(const run_settings& s, const spot_tables& t, int f, ma_tables& ma, bool with_a) {
    const bool by_intensity = takes_trend_out(s);
    const bool swapped = s.is_swapped(f);
    const double factor = header_factor(s, t, f);
    for (int spot = 1; spot <= t.spot_count; ++spot) {
        const double ratio = t.spot_ratio[f][spot];
        const double red = t.f632_median[f][spot] - t.b632_median[f][spot];
        const double green = t.f532_median[f][spot] - t.b532_median[f][spot];
        const bool aside = below_flag_cutoff(s, t, f, spot);
        const bool intensities = red > 0.0 && green > 0.0;
        double m = missing;
        if (!aside && ratio > 0.0 && ratio != genepix_no_ratio) {
            if (!by_intensity) {
                const double v = factor * ratio;
                if (v > 0.0) m = std::log2(v);
            } else if (intensities) {
                m = std::log2(ratio);
            }
        }
        ma.m[f][spot] = swapped ? -m : m;
        if (with_a) ma.a[f][spot] = !aside && intensities ? 0.5 * (std::log2(red) + std::log2(green)) : missing;
    }
}

// The trend of each file taken out of its M, each worker with a trend row of its own.
void take_trends_out(const run_settings& s, const spot_tables& t, ma_tables& ma) {
    const int workers = workers_for(s.threads, t.file_count);
    std::vector<std::vector<double>> trend(static_cast<std::size_t>(workers),
                                           std::vector<double>(static_cast<std::size_t>(t.spot_count)));
    const std::span<const int> blocks(&t.spot_block[1], static_cast<std::size_t>(t.spot_count));
    const dmatrix_t& a = ma.a;
    parallel_for(s.threads, t.file_count, [&](int item, int worker) {
        const int f = item + 1;
        std::vector<double>& mine = trend[static_cast<std::size_t>(worker)];
        const std::span<double> m = row_of(ma.m, f, t.spot_count);
        const std::span<const double> a_row =
            a.row_hi() >= f ? std::span<const double>(a[f].data(), m.size()) : std::span<const double>(m);
        within_array_trend(method_of(s.normalise), m, a_row, blocks, mine);
        subtract_trend(m, mine);
    });
}

// Every file's M scaled to the geometric mean of the files' median |M|; the
// medians and the scaling on the threads, their mean in file order.
void scale_between(const run_settings& s, const spot_tables& t, ma_tables& ma) {
    std::vector<double> median_abs(static_cast<std::size_t>(t.file_count));
    parallel_for(s.threads, t.file_count, [&](int item, int) {
        median_abs[static_cast<std::size_t>(item)] = median_abs_value(row_of(ma.m, item + 1, t.spot_count));
    });
    const double target = geometric_mean(median_abs);
    parallel_for(s.threads, t.file_count, [&](int item, int) {
        scale_to_common(row_of(ma.m, item + 1, t.spot_count), median_abs[static_cast<std::size_t>(item)], target);
    });
}

// What the reports read as the ratio of each spot.
void report_ratios(const run_settings& s, spot_tables& t, const ma_tables& ma, int f) {
    if (s.uses_normalised_m()) {
        for (int spot = 1; spot <= t.spot_count; ++spot) {
            const double m = ma.m[f][spot];
            t.spot_ratio[f][spot] = std::isnan(m) ? missing : std::exp2(m);
        }
        return;
    }
    const double factor = header_factor(s, t, f);
    const bool swapped = s.is_swapped(f);
    for (int spot = 1; spot <= t.spot_count; ++spot) {
        const double v = factor * t.spot_ratio[f][spot];
        t.spot_ratio[f][spot] = below_flag_cutoff(s, t, f, spot) ? missing : swapped ? swapped_ratio(v) : v;
    }
}

}  // namespace

void normalise(const run_settings& s, spot_tables& t, ma_tables& ma, bool with_ma, bool with_a) {
    const int nf = t.file_count;
    const int ns = t.spot_count;
    if (!with_ma) {
        parallel_for(s.threads, nf, [&](int item, int) { report_ratios(s, t, ma, item + 1); });
        return;
    }
    const bool for_plots = with_a;
    with_a = with_a || s.normalise == normalisation::loess || s.normalise == normalisation::print_tip_loess;
    ma.m = dmatrix(1, nf, 1, ns);
    if (with_a) ma.a = dmatrix(1, nf, 1, ns);
    parallel_for(s.threads, nf, [&](int item, int) { log_ratios(s, t, item + 1, ma, with_a); });
    if (for_plots && s.normalise != normalisation::median && takes_trend_out(s)) {
        ma.raw_m = dmatrix(1, nf, 1, ns);
        parallel_for(s.threads, nf, [&](int item, int) {
            for (int spot = 1; spot <= ns; ++spot) ma.raw_m[item + 1][spot] = ma.m[item + 1][spot];
        });
    }
    if (takes_trend_out(s)) take_trends_out(s, t, ma);
    if (s.between == between_files::scale) scale_between(s, t, ma);
    parallel_for(s.threads, nf, [&](int item, int) { report_ratios(s, t, ma, item + 1); });
}

header_normalisation header_normalisation_of(const spot_tables& t) {
    header_normalisation h;
    for (int f = 1; f <= t.file_count; ++f) {
        const file_header& header = t.headers[static_cast<std::size_t>(f)];
        if (header.format.family == file_family::fixed)
            h.by_factor.push_back(f);
        else if (header.normalization_method.empty() || header.normalization_method == "None")
            h.not_normalised.push_back(f);
        else
            h.by_genepix.push_back(f);
    }
    return h;
}

std::string mixed_normalisation_text(const run_settings& s, const header_normalisation& h) {
    const auto names_of = [&](const std::vector<int>& files) {
        std::string names;
        for (int f : files) names += (names.empty() ? "" : ", ") + std::string(s.file_name(f));
        return names;
    };
    return "the ratios of " + names_of(h.by_factor) +
           " are multiplied by their header's normalisation factors, those of " + names_of(h.not_normalised) +
           " (NormalizationMethod=None) are not normalised at all; --normalise median (or loess, printtiploess) "
           "on the command line treats all files alike";
}

void release_ma_tables(ma_tables& ma) {
    ma.m.reset();
    ma.a.reset();
    ma.raw_m.reset();
}
