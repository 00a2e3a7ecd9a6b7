#include "analysis/moderated.hpp"

#include <cmath>
#include <limits>

#include "run/workers.hpp"

namespace {

// The value of gene g in file f: the mean of its present replicate spots.
double file_value(const spot_tables& t, const ma_tables& ma, int f, int g) {
    double sum = 0.0;
    int count = 0;
    for (int r = 1; r <= t.replicate_count; ++r) {
        const double m = ma.m[f][(g - 1) * t.replicate_count + r];
        if (!std::isnan(m)) {
            sum += m;
            ++count;
        }
    }
    return count > 0 ? sum / count : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

moderated_genes moderate(const run_settings& s, const spot_tables& t, const ma_tables& ma) {
    const int genes = t.gene_count;
    std::vector<gene_fit> fits(static_cast<std::size_t>(genes));
    parallel_ranges(s.threads, genes, range_size(s.threads, genes, 256), [&](int first, int last, int) {
        std::vector<double> row(static_cast<std::size_t>(t.file_count));
        for (int g = first; g <= last; ++g) {
            for (int f = 1; f <= t.file_count; ++f) row[static_cast<std::size_t>(f - 1)] = file_value(t, ma, f, g);
            fits[static_cast<std::size_t>(g - 1)] = one_sample_fit(row.data(), t.file_count);
        }
    });
    moderated_genes out;
    out.result = moderated_t(fits);
    out.log2_ratio.assign(static_cast<std::size_t>(genes) + 1, std::numeric_limits<double>::quiet_NaN());
    for (int g = 1; g <= genes; ++g) {
        const gene_fit& fit = fits[static_cast<std::size_t>(g - 1)];
        if (fit.present) out.log2_ratio[static_cast<std::size_t>(g)] = fit.coefficient;
        if (out.result.adjusted_p[static_cast<std::size_t>(g - 1)] < 0.05) ++out.significant;
    }
    return out;
}
