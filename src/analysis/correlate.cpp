#include "analysis/correlate.hpp"

#include <limits>

#include "analysis/normalise.hpp"
#include "numeric/correlation.hpp"
#include "run/workers.hpp"

namespace {

using coefficient = double (*)(series<const double>, series<const double>, int);
using pair_coefficients = void (*)(const dmatrix_t&, int, int, dmatrix_t&, dmatrix_t&, int);

// Background-subtracted intensities of both channels, 1..F x 1..S.
struct net_intensities {
    dmatrix_t f632, f532;
};

// Not-a-number for a spot below the flag cutoff.
net_intensities net_intensities_of(const run_settings& s, const spot_tables& t) {
    net_intensities net{dmatrix(1, t.file_count, 1, t.spot_count), dmatrix(1, t.file_count, 1, t.spot_count)};
    const double missing = std::numeric_limits<double>::quiet_NaN();
    parallel_for(s.threads, t.file_count, [&](int item, int) {
        const int f = item + 1;
        for (int spot = 1; spot <= t.spot_count; ++spot) {
            const bool aside = below_flag_cutoff(s, t, f, spot);
            net.f632[f][spot] = aside ? missing : t.f632_median[f][spot] - t.b632_median[f][spot];
            net.f532[f][spot] = aside ? missing : t.f532_median[f][spot] - t.b532_median[f][spot];
        }
    });
    return net;
}

// The raw-scale coefficients: over every spot, or over the complete pairs
// where values may be missing.
struct raw_coefficients {
    coefficient per_file;
    pair_coefficients per_pair;
};

raw_coefficients raw_for(bool complete) {
    return complete ? raw_coefficients{pearson_r_complete, pearson_r_complete_pairs}
                    : raw_coefficients{pearson_r, pearson_r_pairs};
}

// A file-by-file table with every cell not_computed until a pair fills it.
dmatrix_t pair_table(int nf) {
    dmatrix_t m = dmatrix(1, nf, 1, nf);
    for (int i = 1; i <= nf; ++i)
        for (int j = 1; j <= nf; ++j) m[i][j] = not_computed;
    return m;
}

// One scale's tables: the intensities' coefficients and the ratios' ones;
// scratch (1..F x 1..S) is the pair sweeps' working room.
scale_correlations correlate_scale(coefficient per_file, pair_coefficients per_pair, pair_coefficients ratio_pairs,
                                   const spot_tables& t, const net_intensities& net, dmatrix_t& scratch, int threads) {
    const int nf = t.file_count;
    const int ns = t.spot_count;
    scale_correlations c{dvector(1, nf), pair_table(nf), pair_table(nf), pair_table(nf)};
    ratio_pairs(t.spot_ratio, nf, ns, c.ratio, scratch, threads);
    per_pair(net.f632, nf, ns, c.f632, scratch, threads);
    per_pair(net.f532, nf, ns, c.f532, scratch, threads);
    parallel_for(threads, nf, [&](int item, int) {
        const int f = item + 1;
        c.channels[f] = per_file(net.f632[f], net.f532[f], ns);
    });
    return c;
}

void release_scale(scale_correlations& c) {
    dvector_free(c.channels, c.channels.lo(), c.channels.hi());
    for (dmatrix_t* m : {&c.f632, &c.f532, &c.ratio}) dmatrix_free(*m, m->row_lo(), m->row_hi(), 1, m->col_hi());
}

}  // namespace

correlation_tables correlate(const run_settings& s, const spot_tables& t) {
    net_intensities net = net_intensities_of(s, t);
    dmatrix_t scratch = dmatrix(1, t.file_count, 1, t.spot_count);
    const raw_coefficients intensities = raw_for(s.flag_cutoff_given);
    const raw_coefficients ratios = raw_for(s.flag_cutoff_given || s.uses_normalised_m());
    correlation_tables c;
    c.raw = correlate_scale(intensities.per_file, intensities.per_pair, ratios.per_pair, t, net, scratch, s.threads);
    c.log2 = correlate_scale(log2_pearson_r, log2_pearson_r_pairs, log2_pearson_r_pairs, t, net, scratch, s.threads);
    dmatrix_free(scratch, 1, t.file_count, 1, t.spot_count);
    dmatrix_free(net.f632, 1, t.file_count, 1, t.spot_count);
    dmatrix_free(net.f532, 1, t.file_count, 1, t.spot_count);
    return c;
}

void release_correlation_tables(correlation_tables& c) {
    release_scale(c.raw);
    release_scale(c.log2);
}
