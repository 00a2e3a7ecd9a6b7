// Pooling of each gene's replicate spots over all files, with outlier
// rejection, and the per-gene statistics of merge.txt.
#pragma once

#include "input/spot_tables.hpp"
#include "run/settings.hpp"

struct merge_tables {
    dmatrix_t gene_ratio;      // 1..G x 1..N, N = R * F, position (f-1)*R + r
    dmatrix_t gene_flag;       // as gene_ratio
    dmatrix_t file_gene_mean;  // 1..F x 1..G
    dvector_t gene_mean, gene_sd, gene_cv, gene_median, gene_log2_mean, gene_log2_sd, gene_p_value;
    ivector_t gene_unusable, gene_spots_used, gene_outliers;
    ivector_t file_unusable, file_outliers;
};

// Copies spot_ratio and spot_flag into the per-gene tables (before data.txt),
// on s.threads threads. A missing ratio (not-a-number) becomes 0.0, which the
// merge sets aside as it sets aside every ratio that is not positive. With a
// flag cutoff the cutoff has decided about the file's flags already (the
// ratios below it are missing): a flag then sets a spot aside only when it
// marks the failed test against C.
void regroup_by_gene(const run_settings& s, const spot_tables& t, merge_tables& m);

// Per-file gene means (flagged spots included), then every flagged position
// of gene_ratio set to 0.0 in place, then every gene's pooled statistics
// (after data.txt, with spot_ratio released).
void gene_statistics(const spot_tables& t, merge_tables& m, int threads);

// Releases every table of the merge still held.
void release_merge_tables(const spot_tables& t, merge_tables& m);

// log2_mean of a gene whose statistics were never computed (no value kept, or
// a pair set aside); merge.txt prints "-" there, as spots_used is then 0.
constexpr double no_log2_mean = -10000.0;
// p_value where there is no t statistic (one value kept, a pair set aside, or
// a spread of zero around a mean that is not); merge.txt prints "-".
constexpr double no_p_value = -1.0;
inline bool has_p_value(double p_value) { return p_value >= 0.0; }

// What the statistics of one gene come to; kept apart from the tables so the
// rules can be checked on their own.
struct gene_result {
    int unusable = 0;
    int spots_used = 0;
    int outliers = 0;
    double mean = 0.0, sd = 0.0, cv = 0.0, median = 0.0;
    double log2_mean = no_log2_mean, log2_sd = 0.0, p_value = no_p_value;
};

#include "numeric/statistics.hpp"

// Working series for one gene, 1..N, reused from gene to gene, and the
// generator its sorts draw from: the process-wide one unless a thread brings
// its own.
struct merge_work {
    dvector_t values, sorted, kept, log2;
    random_state* draws;
};
merge_work make_merge_work(int n, random_state& draws = generator_state());
void free_merge_work(merge_work& w, int n);

// Runs the outlier and pair rules and the statistics over w.values[1..n] (the
// gene's positions in order, flagged ones already 0.0). Each unusable position
// j adds 1 to file_unusable[(j-1)/R + 1]; each outlier removal adds 1 to
// file_outliers[(j-1)/R + 1] for every position j holding the removed value.
gene_result merge_gene(merge_work& w, int n, int replicate_count, series<int> file_unusable, series<int> file_outliers);
