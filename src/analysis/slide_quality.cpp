#include "analysis/slide_quality.hpp"

#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "numeric/fivenum.hpp"
#include "numeric/hoeffding_d.hpp"
#include "numeric/ks_statistic.hpp"
#include "numeric/mean_abs_difference.hpp"
#include "numeric/spatial_share.hpp"
#include "run/workers.hpp"

namespace {

constexpr double missing = std::numeric_limits<double>::quiet_NaN();

// Each file's distance from the mean |M_i - M_j| of every pair, the pairs on
// the threads, each file's sum in file order.
std::vector<double> distances(const run_settings& s, const spot_tables& t, const ma_tables& ma) {
    const int nf = t.file_count;
    std::vector<std::pair<int, int>> pairs;
    for (int i = 1; i <= nf; ++i)
        for (int j = i + 1; j <= nf; ++j) pairs.emplace_back(i, j);
    std::vector<double> mean(static_cast<std::size_t>(nf + 1) * static_cast<std::size_t>(nf + 1), missing);
    const auto at = [&](int i, int j) -> double& {
        return mean[static_cast<std::size_t>(i) * static_cast<std::size_t>(nf + 1) + static_cast<std::size_t>(j)];
    };
    parallel_for(s.threads, static_cast<int>(pairs.size()), [&](int item, int) {
        const auto [i, j] = pairs[static_cast<std::size_t>(item)];
        at(i, j) = mean_abs_difference(ma.m[i].data(), ma.m[j].data(), t.spot_count);
    });
    std::vector<double> distance(static_cast<std::size_t>(nf + 1), missing);
    for (int i = 1; i <= nf; ++i) {
        bool has_m = false;
        for (int spot = 1; spot <= t.spot_count && !has_m; ++spot) has_m = !std::isnan(ma.m[i][spot]);
        if (!has_m) continue;
        double sum = 0.0;
        for (int j = 1; j <= nf; ++j) {
            const double d = j == i ? missing : i < j ? at(i, j) : at(j, i);
            if (!std::isnan(d)) sum += d;  // not the file itself, nor a pair without a common spot
        }
        distance[static_cast<std::size_t>(i)] = sum;
    }
    return distance;
}

// The limit of one statistic over the files, and each file above it marked.
double mark_above(const std::vector<double>& value, unsigned criterion, std::vector<unsigned>& failed) {
    const double limit = upper_fence(value.data() + 1, static_cast<int>(value.size()) - 1);
    for (std::size_t f = 1; f < value.size(); ++f)
        if (value[f] > limit) failed[f] |= criterion;
    return limit;
}

}  // namespace

slide_quality assess_slides(const run_settings& s, const spot_tables& t, const ma_tables& ma) {
    const int nf = t.file_count;
    const int ns = t.spot_count;
    slide_quality q;
    q.distance = distances(s, t, ma);
    std::vector<const double*> rows;
    for (int f = 1; f <= nf; ++f) rows.push_back(ma.m[f].data());
    const std::vector<double> pooled = pooled_sorted(rows.data(), nf, ns);
    q.ks.assign(static_cast<std::size_t>(nf + 1), missing);
    q.hoeffding.assign(static_cast<std::size_t>(nf + 1), missing);
    q.spatial.assign(static_cast<std::size_t>(nf + 1), missing);
    parallel_for(s.threads, nf, [&](int item, int) {
        const int f = item + 1;
        const std::size_t k = static_cast<std::size_t>(f);
        q.ks[k] = ks_statistic(ma.m[f].data(), ns, pooled.data(), static_cast<int>(pooled.size()));
        q.hoeffding[k] = hoeffding_d(ma.a[f].data(), ma.m[f].data(), ns);
        q.spatial[k] = spatial_share(ma.m[f].data(), t.spot_x[f].data(), t.spot_y[f].data(), ns);
    });
    q.failed.assign(static_cast<std::size_t>(nf + 1), 0u);
    q.distance_limit = mark_above(q.distance, fails_distance, q.failed);
    q.ks_limit = mark_above(q.ks, fails_ks, q.failed);
    q.spatial_limit = mark_above(q.spatial, fails_spatial, q.failed);
    for (int f = 1; f <= nf; ++f)
        if (q.hoeffding[static_cast<std::size_t>(f)] > hoeffding_limit)
            q.failed[static_cast<std::size_t>(f)] |= fails_d;
    return q;
}

std::string failed_criteria(unsigned failed) {
    std::string names;
    for (const auto& [bit, name] : {std::pair{fails_distance, "distance"}, std::pair{fails_ks, "KS"},
                                    std::pair{fails_d, "D"}, std::pair{fails_spatial, "spatial"}})
        if ((failed & bit) != 0) {
            // Appended piece by piece: MinGW's GCC 12 takes "" + std::string for an overlapping copy (-Wrestrict).
            if (!names.empty()) names += ',';
            names += name;
        }
    return names.empty() ? "-" : names;
}
