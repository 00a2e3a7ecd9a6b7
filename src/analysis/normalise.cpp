#include "analysis/normalise.hpp"

void normalise_ratios(const run_settings& s, spot_tables& t) {
    for (int f = 1; f <= t.file_count; ++f) {
        const double factor = t.headers[static_cast<std::size_t>(f)].factor[s.ratio_approach];
        for (int k = 1; k <= t.spot_count; ++k) t.spot_ratio[f][k] = factor * t.spot_ratio[f][k];
    }
}
