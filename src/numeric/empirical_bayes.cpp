#include "numeric/empirical_bayes.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "numeric/special_functions.hpp"
#include "numeric/t_distribution.hpp"

namespace {
constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// Median of a copy of v (at least one value).
double median_of_copy(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) * 0.5;
}
}  // namespace

gene_fit one_sample_fit(const double* values, int count) {
    // Summed as offsets from the first value, so that equal values have
    // exactly their value as mean and a variance of exactly 0.
    int n = 0;
    double first = 0.0;
    double offsets = 0.0;
    for (int i = 0; i < count; ++i) {
        if (std::isnan(values[i])) continue;
        if (n == 0) first = values[i];
        offsets += values[i] - first;
        ++n;
    }
    if (n == 0) return {not_a_number, not_a_number, 0, not_a_number, false};
    const double mean = first + offsets / n;
    double s2 = not_a_number;
    if (n > 1) {
        double squares = 0.0;
        for (int i = 0; i < count; ++i) {
            if (std::isnan(values[i])) continue;
            squares += (values[i] - mean) * (values[i] - mean);
        }
        s2 = squares / (n - 1);
    }
    return {mean, s2, n - 1, 1.0 / std::sqrt(static_cast<double>(n)), true};
}

variance_prior fit_variance_prior(const std::vector<gene_fit>& fits) {
    std::vector<double> s2;
    std::vector<int> df;
    int most_df = 0;
    for (const gene_fit& f : fits) {
        if (!f.present || f.df_residual < 1) continue;
        s2.push_back(f.s2);
        df.push_back(f.df_residual);
        most_df = std::max(most_df, f.df_residual);
    }
    const std::size_t g = s2.size();
    if (g == 0) return {not_a_number, not_a_number};
    if (g == 1) return {0.0, s2[0]};
    double median = median_of_copy(s2);
    if (median == 0.0) median = 1.0;
    const double floor = 1e-5 * median;
    for (double& v : s2) v = std::max(v, floor);

    // digamma and trigamma of d/2 once per distinct d.
    std::vector<double> shift(most_df + 1), spread(most_df + 1);
    for (int d = 1; d <= most_df; ++d) {
        shift[d] = digamma(0.5 * d) - std::log(0.5 * d);
        spread[d] = trigamma(0.5 * d);
    }
    std::vector<double> e(g);
    double sum = 0.0;
    for (std::size_t i = 0; i < g; ++i) {
        e[i] = std::log(s2[i]) - shift[df[i]];
        sum += e[i];
    }
    const double mean = sum / static_cast<double>(g);
    const double gd = static_cast<double>(g);
    double excess = 0.0;
    for (std::size_t i = 0; i < g; ++i) excess += (e[i] - mean) * (e[i] - mean) * gd / (gd - 1.0) - spread[df[i]];
    excess /= gd;
    if (excess > 0.0) {
        const double d0 = 2.0 * trigamma_inverse(excess);
        return {d0, std::exp(mean + digamma(0.5 * d0) - std::log(0.5 * d0))};
    }
    double total = 0.0;
    for (double v : s2) total += v;
    return {infinity, total / gd};
}

double prior_coefficient_variance(const std::vector<gene_fit>& fits, const std::vector<double>& t,
                                  const std::vector<double>& df_total, double s2_prior,
                                  const moderated_settings& settings) {
    std::vector<std::size_t> tested;
    double df = 0.0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (std::isnan(t[i])) continue;
        tested.push_back(i);
        df = std::max(df, df_total[i]);
    }
    if (tested.empty()) return infinity;
    // Each t counts as the t of the same tail on the largest df, so that they
    // rank and count alike; the order of those is the order of the tails, and
    // only the top ones need carrying over.
    bool same_df = true;
    for (std::size_t i : tested) same_df = same_df && df_total[i] == df;
    std::vector<double> key(t.size(), not_a_number);
    for (std::size_t i : tested) key[i] = same_df ? -std::fabs(t[i]) : ln_t_two_sided_p(t[i], df_total[i]);
    std::stable_sort(tested.begin(), tested.end(), [&](std::size_t i, std::size_t j) { return key[i] < key[j]; });
    const double g = static_cast<double>(tested.size());
    // Fewer genes than 1/p could not hold a changing one at p.
    const double p = std::max(settings.proportion, 1.0 / g);
    const std::size_t top = static_cast<std::size_t>(std::ceil(p / 2.0 * g));
    const double lower = settings.stdev_coef_lower * settings.stdev_coef_lower / s2_prior;
    const double upper = settings.stdev_coef_upper * settings.stdev_coef_upper / s2_prior;
    double sum = 0.0;
    for (std::size_t r = 0; r < top; ++r) {
        const std::size_t i = tested[r];
        double common = t[i];
        if (df_total[i] != df) {
            const double size = t_upper_quantile_ln(ln_t_upper_tail(std::fabs(t[i]), df_total[i]), df);
            common = t[i] < 0.0 ? -size : size;
        }
        const double p0 = t_two_sided_p(common, df);
        // The share of genes above |t| that the null part leaves to the changing ones.
        const double target = ((static_cast<double>(r) + 0.5) / g - (1.0 - p) * p0) / p;
        double v0 = lower;
        if (target > p0) {
            const double ratio = common / t_upper_quantile(0.5 * target, df);
            v0 = fits[i].stdev_unscaled * fits[i].stdev_unscaled * (ratio * ratio - 1.0);
        }
        sum += std::min(std::max(v0, lower), upper);
    }
    return sum / static_cast<double>(top);
}

double log_odds(double t, double df, double stdev_unscaled, double var_prior, double proportion) {
    const double v = stdev_unscaled * stdev_unscaled;
    const double r = v / (v + var_prior);
    const double prior = std::log(proportion / (1.0 - proportion)) + 0.5 * std::log(r);
    const double t2 = t * t;
    if (df == infinity) return prior + 0.5 * t2 * (var_prior / (v + var_prior));
    // (t^2 r + df) / (t^2 + df) = 1 - t^2 (1 - r) / (t^2 + df)
    return prior - 0.5 * (1.0 + df) * log_one_plus(-t2 * (var_prior / (v + var_prior)) / (t2 + df));
}

std::vector<double> benjamini_hochberg(const std::vector<double>& p) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < p.size(); ++i)
        if (!std::isnan(p[i])) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) { return p[i] < p[j]; });
    std::vector<double> adjusted(p.size(), not_a_number);
    const double n = static_cast<double>(order.size());
    double smallest = 1.0;
    for (std::size_t k = order.size(); k > 0; --k) {
        const std::size_t i = order[k - 1];
        smallest = std::min(smallest, n / static_cast<double>(k) * p[i]);
        adjusted[i] = smallest;
    }
    return adjusted;
}

moderated_result moderated_t(const std::vector<gene_fit>& fits, const moderated_settings& settings) {
    const std::size_t n = fits.size();
    moderated_result result;
    const variance_prior prior = fit_variance_prior(fits);
    result.estimable = !std::isnan(prior.df);
    result.df_prior = prior.df;
    result.s2_prior = prior.s2;
    result.var_prior = not_a_number;
    result.s2_post.assign(n, not_a_number);
    result.df_total.assign(n, not_a_number);
    result.t.assign(n, not_a_number);
    result.p_value.assign(n, not_a_number);
    result.adjusted_p.assign(n, not_a_number);
    result.b.assign(n, not_a_number);
    if (!result.estimable) return result;

    double df_pooled = 0.0;
    for (const gene_fit& f : fits) df_pooled += f.df_residual;
    const double d0 = prior.df;
    for (std::size_t i = 0; i < n; ++i) {
        const gene_fit& f = fits[i];
        const double d = f.df_residual;
        result.df_total[i] = std::min(d0 + d, df_pooled);
        if (!f.present) continue;
        if (d0 == infinity) {
            result.s2_post[i] = prior.s2;
        } else {
            const double own = f.df_residual > 0 ? d * f.s2 : 0.0;
            result.s2_post[i] = (d0 * prior.s2 + own) / (d0 + d);
        }
        result.t[i] = f.coefficient / f.stdev_unscaled / std::sqrt(result.s2_post[i]);
        result.p_value[i] = t_two_sided_p(result.t[i], result.df_total[i]);
    }
    result.adjusted_p = benjamini_hochberg(result.p_value);
    result.var_prior = prior_coefficient_variance(fits, result.t, result.df_total, prior.s2, settings);
    for (std::size_t i = 0; i < n; ++i) {
        if (std::isnan(result.t[i])) continue;
        const double df = d0 == infinity ? infinity : result.df_total[i];
        result.b[i] = log_odds(result.t[i], df, fits[i].stdev_unscaled, result.var_prior, settings.proportion);
    }
    return result;
}
