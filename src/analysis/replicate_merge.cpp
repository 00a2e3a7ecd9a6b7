#include "analysis/replicate_merge.hpp"

#include <climits>
#include <cmath>
#include <vector>

#include "input/spot_loader.hpp"
#include "numeric/statistics.hpp"
#include "numeric/student_t.hpp"
#include "run/workers.hpp"

namespace {

// Genes one thread takes at a time: up to 64, fewer in a small run.
int genes_per_range(const spot_tables& t, int threads) { return range_size(threads, t.gene_count, 64); }

// Pooled positions per gene, R * F, or 0 when there is no gene.
int positions_per_gene(const spot_tables& t) {
    if (t.gene_count < 1) return 0;
    const long long n = static_cast<long long>(t.replicate_count) * t.file_count;
    if (n > INT_MAX) numeric_fatal("allocation failure 2 in dmatrix()");
    return static_cast<int>(n);
}

// Counts one for the file of every position holding exactly `value`.
void count_positions(const merge_work& w, int n, int replicate_count, double value, series<int> per_file) {
    for (int j = 1; j <= n; ++j)
        if (w.values[j] == value) ++per_file[(j - 1) / replicate_count + 1];
}

void statistics(merge_work& w, int n, gene_result& g) {
    const double ln2 = std::log(2.0);
    g.mean = mean_of(w.kept.view(), n);
    g.median = median_of(w.kept.view(), n, *w.draws);
    g.sd = sd_of(w.kept.view(), n);
    for (int i = 1; i <= n; ++i) w.log2[i] = std::log(w.kept[i]) / ln2;
    g.log2_mean = mean_of(w.log2.view(), n);
    g.log2_sd = sd_of(w.log2.view(), n);
    g.cv = g.sd / g.mean;
    const double d = n - 1;
    const double t = g.log2_mean * std::sqrt(d) / g.log2_sd;
    if (!std::isnan(t))
        g.p_value = t_test_p_value(t, d);
    else if (g.log2_mean == 0.0 && g.log2_sd == 0.0)
        g.p_value = 1.0;  // every value exactly 1.0: the null hypothesis itself
    else
        g.p_value = no_p_value;
}

// Two retained values a <= b: discarded together when b / a > 8.0.
bool pair_passes(merge_work& w, int n_positions, int replicate_count, series<int> file_outliers, gene_result& g) {
    const double a = w.kept[1];
    const double b = w.kept[2];
    if (!(b / a > 8.0)) return true;
    count_positions(w, n_positions, replicate_count, a, file_outliers);
    count_positions(w, n_positions, replicate_count, b, file_outliers);
    g.outliers += 2;
    g.spots_used = 0;
    g.p_value = no_p_value;
    return false;
}

}  // namespace

merge_work make_merge_work(int n, random_state& draws) {
    return {dvector(1, n), dvector(1, n), dvector(1, n), dvector(1, n), &draws};
}

void free_merge_work(merge_work& w, int n) {
    dvector_free(w.values, 1, n);
    dvector_free(w.sorted, 1, n);
    dvector_free(w.kept, 1, n);
    dvector_free(w.log2, 1, n);
}

gene_result merge_gene(merge_work& w, int n_positions, int replicate_count, series<int> file_unusable,
                       series<int> file_outliers) {
    gene_result g;
    for (int j = 1; j <= n_positions; ++j) w.sorted[j] = w.values[j];
    if (n_positions > 0) sort_values(&w.sorted[1], n_positions, *w.draws);
    for (int j = 1; j <= n_positions; ++j)
        if (!(w.values[j] > 0.0)) {
            ++file_unusable[(j - 1) / replicate_count + 1];
            ++g.unusable;
        }
    int n = n_positions - g.unusable;
    g.spots_used = n;
    if (n == 0) return g;
    for (int i = 1; i <= n; ++i) w.kept[i] = w.sorted[g.unusable + i];

    if (n == 1) {
        const double v = w.kept[1];
        g.mean = g.median = v;
        g.log2_mean = std::log(v) / std::log(2.0);
        g.sd = g.log2_sd = g.cv = 0.0;
        g.p_value = no_p_value;
        return g;
    }
    if (n >= 3) {
        for (;;) {
            const double q = mean_of(w.kept.view(), n) / median_of(w.kept.view(), n, *w.draws);
            if (q <= 2.0 || n <= 2) break;
            count_positions(w, n_positions, replicate_count, w.kept[n], file_outliers);
            ++g.outliers;
            --n;
            g.spots_used = n;
        }
    }
    if (n == 2 && !pair_passes(w, n_positions, replicate_count, file_outliers, g)) return g;
    statistics(w, n, g);
    return g;
}

void regroup_by_gene(const run_settings& s, const spot_tables& t, merge_tables& m) {
    const int threads = s.threads;
    const int r_count = t.replicate_count;
    const int n = positions_per_gene(t);
    m.gene_ratio = dmatrix(1, t.gene_count, 1, n);
    m.gene_flag = dmatrix(1, t.gene_count, 1, n);
    parallel_ranges(threads, t.gene_count, genes_per_range(t, threads), [&](int first, int last, int) {
        for (int g = first; g <= last; ++g)
            for (int f = 1; f <= t.file_count; ++f)
                for (int r = 1; r <= r_count; ++r) {
                    const int spot = (g - 1) * r_count + r;
                    const double ratio = t.spot_ratio[f][spot];
                    const double flag = t.spot_flag[f][spot];
                    m.gene_ratio[g][(f - 1) * r_count + r] = std::isnan(ratio) ? 0.0 : ratio;
                    m.gene_flag[g][(f - 1) * r_count + r] =
                        s.flag_cutoff_given && flag != failed_quality_control ? 0.0 : flag;
                }
    });
}

namespace {

// file_gene_mean[f][g]: the mean of the positive ratios of gene g in file f,
// flagged or not; 0.0 when there is none.
void file_gene_means(const spot_tables& t, merge_tables& m, int threads) {
    const int r_count = t.replicate_count;
    m.file_gene_mean = dmatrix(1, t.file_count, 1, t.gene_count);
    parallel_ranges(threads, t.file_count, 1, [&](int f, int, int) {
        for (int g = 1; g <= t.gene_count; ++g) {
            double sum = 0.0;
            int count = 0;
            for (int r = 1; r <= r_count; ++r) {
                const double v = m.gene_ratio[g][(f - 1) * r_count + r];
                if (v > 0.0) {
                    sum += v;
                    ++count;
                }
            }
            m.file_gene_mean[f][g] = count > 0 ? sum / count : 0.0;
        }
    });
}

// A flagged position's ratio becomes 0.0, so the pooled statistics count it unusable.
void set_flagged_aside(const spot_tables& t, merge_tables& m, int n, int threads) {
    parallel_ranges(threads, t.gene_count, genes_per_range(t, threads), [&](int first, int last, int) {
        for (int g = first; g <= last; ++g)
            for (int j = 1; j <= n; ++j)
                if (m.gene_flag[g][j] < 0.0) m.gene_ratio[g][j] = 0.0;
    });
}

void create_gene_results(const spot_tables& t, merge_tables& m) {
    const int ng = t.gene_count;
    m.gene_mean = dvector(1, ng);
    m.gene_sd = dvector(1, ng);
    m.gene_cv = dvector(1, ng);
    m.gene_median = dvector(1, ng);
    m.gene_log2_mean = dvector(1, ng);
    m.gene_log2_sd = dvector(1, ng);
    m.gene_p_value = dvector(1, ng);
    m.gene_unusable = ivector(1, ng);
    m.gene_spots_used = ivector(1, ng);
    m.gene_outliers = ivector(1, ng);
    m.file_unusable = ivector(1, t.file_count);
    m.file_outliers = ivector(1, t.file_count);
    for (int f = 1; f <= t.file_count; ++f) m.file_unusable[f] = m.file_outliers[f] = 0;
}

void store_gene_result(merge_tables& m, int g, const gene_result& r) {
    m.gene_mean[g] = r.mean;
    m.gene_sd[g] = r.sd;
    m.gene_cv[g] = r.cv;
    m.gene_median[g] = r.median;
    m.gene_log2_mean[g] = r.log2_mean;
    m.gene_log2_sd[g] = r.log2_sd;
    m.gene_p_value[g] = r.p_value;
    m.gene_unusable[g] = r.unusable;
    m.gene_spots_used[g] = r.spots_used;
    m.gene_outliers[g] = r.outliers;
}

}  // namespace

namespace {

// Every gene in order, drawing from the process-wide generator: the reference.
void merge_genes_in_order(const spot_tables& t, merge_tables& m, int n) {
    merge_work w = make_merge_work(n);
    for (int g = 1; g <= t.gene_count; ++g) {
        for (int j = 1; j <= n; ++j) w.values[j] = m.gene_ratio[g][j];
        store_gene_result(m, g, merge_gene(w, n, t.replicate_count, m.file_unusable.view(), m.file_outliers.view()));
    }
    free_merge_work(w, n);
}

// Ranges of genes on several threads, each thread with its own working
// series, generator and per-file counts; the counts are added up afterwards.
void merge_genes_in_parallel(const spot_tables& t, merge_tables& m, int n, int threads, int workers) {
    struct alignas(64) thread_work {
        random_state draws = generator_start;
        merge_work w;
        ivector_t unusable, outliers;
    };
    std::vector<thread_work> per_thread(static_cast<std::size_t>(workers));
    for (thread_work& tw : per_thread) {
        tw.w = make_merge_work(n, tw.draws);
        tw.unusable = ivector(1, t.file_count);
        tw.outliers = ivector(1, t.file_count);
        for (int f = 1; f <= t.file_count; ++f) tw.unusable[f] = tw.outliers[f] = 0;
    }
    parallel_ranges(threads, t.gene_count, genes_per_range(t, threads), [&](int first, int last, int worker) {
        thread_work& tw = per_thread[static_cast<std::size_t>(worker)];
        tw.draws = generator_start;  // each range alike, however the threads share them out
        for (int g = first; g <= last; ++g) {
            for (int j = 1; j <= n; ++j) tw.w.values[j] = m.gene_ratio[g][j];
            store_gene_result(m, g, merge_gene(tw.w, n, t.replicate_count, tw.unusable.view(), tw.outliers.view()));
        }
    });
    for (thread_work& tw : per_thread) {
        for (int f = 1; f <= t.file_count; ++f) {
            m.file_unusable[f] += tw.unusable[f];
            m.file_outliers[f] += tw.outliers[f];
        }
        free_merge_work(tw.w, n);
    }
}

}  // namespace

void gene_statistics(const spot_tables& t, merge_tables& m, int threads) {
    const int n = positions_per_gene(t);
    file_gene_means(t, m, threads);
    set_flagged_aside(t, m, n, threads);
    create_gene_results(t, m);
    const int workers = workers_for_ranges(threads, t.gene_count, genes_per_range(t, threads));
    if (workers == 1)
        merge_genes_in_order(t, m, n);
    else
        merge_genes_in_parallel(t, m, n, threads, workers);
}

void release_merge_tables(const spot_tables& t, merge_tables& m) {
    const int nf = t.file_count;
    const int ng = t.gene_count;
    const int n = positions_per_gene(t);
    dmatrix_free(m.gene_ratio, 1, ng, 1, n);
    dmatrix_free(m.gene_flag, 1, ng, 1, n);
    dmatrix_free(m.file_gene_mean, 1, nf, 1, ng);
    for (dvector_t* v :
         {&m.gene_mean, &m.gene_sd, &m.gene_cv, &m.gene_median, &m.gene_log2_mean, &m.gene_log2_sd, &m.gene_p_value})
        dvector_free(*v, 1, ng);
    for (ivector_t* v : {&m.gene_unusable, &m.gene_spots_used, &m.gene_outliers}) ivector_free(*v, 1, ng);
    ivector_free(m.file_unusable, 1, nf);
    ivector_free(m.file_outliers, 1, nf);
}
