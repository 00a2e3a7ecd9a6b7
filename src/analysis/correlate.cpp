#include "analysis/correlate.hpp"

#include "numeric/correlation.hpp"
#include "run/workers.hpp"

namespace {

using coefficient = double (*)(series<const double>, series<const double>, int);
using pair_coefficients = void (*)(const dmatrix_t&, int, int, dmatrix_t&, dmatrix_t&, int);

// Background-subtracted intensities of both channels, 1..F x 1..S.
struct net_intensities {
    dmatrix_t f632, f532;
};

net_intensities net_intensities_of(const spot_tables& t, int threads) {
    net_intensities net{dmatrix(1, t.file_count, 1, t.spot_count), dmatrix(1, t.file_count, 1, t.spot_count)};
    parallel_for(threads, t.file_count, [&](int item, int) {
        const int f = item + 1;
        for (int s = 1; s <= t.spot_count; ++s) {
            net.f632[f][s] = t.f632_median[f][s] - t.b632_median[f][s];
            net.f532[f][s] = t.f532_median[f][s] - t.b532_median[f][s];
        }
    });
    return net;
}

// A file-by-file table with every cell not_computed until a pair fills it.
dmatrix_t pair_table(int nf) {
    dmatrix_t m = dmatrix(1, nf, 1, nf);
    for (int i = 1; i <= nf; ++i)
        for (int j = 1; j <= nf; ++j) m[i][j] = not_computed;
    return m;
}

// One scale's tables; scratch (1..F x 1..S) is the pair sweeps' working room.
scale_correlations correlate_scale(coefficient per_file, pair_coefficients per_pair, const spot_tables& t,
                                   const net_intensities& net, dmatrix_t& scratch, int threads) {
    const int nf = t.file_count;
    const int ns = t.spot_count;
    scale_correlations c{dvector(1, nf), pair_table(nf), pair_table(nf), pair_table(nf)};
    per_pair(t.spot_ratio, nf, ns, c.ratio, scratch, threads);
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

correlation_tables correlate(const spot_tables& t, int threads) {
    net_intensities net = net_intensities_of(t, threads);
    dmatrix_t scratch = dmatrix(1, t.file_count, 1, t.spot_count);
    correlation_tables c;
    c.raw = correlate_scale(pearson_r, pearson_r_pairs, t, net, scratch, threads);
    c.log2 = correlate_scale(log2_pearson_r, log2_pearson_r_pairs, t, net, scratch, threads);
    dmatrix_free(scratch, 1, t.file_count, 1, t.spot_count);
    dmatrix_free(net.f632, 1, t.file_count, 1, t.spot_count);
    dmatrix_free(net.f532, 1, t.file_count, 1, t.spot_count);
    return c;
}

void release_correlation_tables(correlation_tables& c) {
    release_scale(c.raw);
    release_scale(c.log2);
}
