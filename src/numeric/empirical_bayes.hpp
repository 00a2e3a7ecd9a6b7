// The moderated t-statistic of Smyth (2004, "Linear models and empirical Bayes
// methods for assessing differential expression in microarray experiments",
// Stat. Appl. Genet. Mol. Biol. 3, article 3) for one-sample fits, with the
// Benjamini-Hochberg adjusted p-values and the log-odds B. Where the paper
// leaves a case open the routines give what limma's eBayes gives.
#pragma once

#include <vector>

// One gene's least-squares fit: the mean of its values.
struct gene_fit {
    double coefficient;     // mean of the values
    double s2;              // sample variance, divisor n - 1
    int df_residual;        // n - 1, and 0 when there is no value
    double stdev_unscaled;  // 1 / sqrt(n)
    bool present;           // at least one value
};

// Fit of values[0..count-1], not-a-number marking a missing value: the mean
// as the first value plus the mean offset from it (so equal values give
// exactly that value and a variance of exactly 0), the variance about the
// mean in a second pass, sums in index order. Below two values s2 is
// not-a-number, and with none the coefficient and stdev_unscaled too.
// Example: 1, NaN, 2, 6 gives coefficient 3, s2 7, df_residual 2 and
// stdev_unscaled 1 / sqrt(3).
gene_fit one_sample_fit(const double* values, int count);

// The scaled inverse chi-square prior of the variances: df_prior d0 and s2_prior s0^2.
struct variance_prior {
    double df;
    double s2;
};

// d0 and s0^2 from the moments of ln s^2 over the genes with residual degrees
// of freedom (section 6.2 of the paper): e = ln s^2 - digamma(d/2) + ln(d/2),
// trigamma(d0/2) = mean((e - mean e)^2 G/(G-1) - trigamma(d/2)), and
// s0^2 = exp(mean e + digamma(d0/2) - ln(d0/2)). Every s^2 is first raised to
// at least 1e-5 times their median (1e-5 when the median is 0), so a zero
// variance has a logarithm. When the right side is not positive d0 is
// infinite and s0^2 the mean of the raised s^2. A single such gene gives d0 = 0
// and its own s^2; none gives not-a-number for both.
// Example: s^2 = 0.1, 1, 10, 100 with 3 degrees of freedom each give
// d0 = 0.76371010631535952 and s0^2 = 0.80576180080213899.
variance_prior fit_variance_prior(const std::vector<gene_fit>& fits);

struct moderated_settings {
    double proportion = 0.01;       // prior share p of the genes that change
    double stdev_coef_lower = 0.1;  // bounds on the standard deviation of a change
    double stdev_coef_upper = 4.0;
};

// Prior variance v0 of the changes, in units of the gene's variance
// (section 6.3 of the paper), from the top-ranking |t| of the genes that have
// a t (G of them). Each t is first carried to the largest df_total D as the t
// of the same tail. With p' = max(p, 1/G), the ceil(p' G / 2) largest |t| in
// order (ties in gene order): for the one of rank r with two-sided p-value p0
// and target ((r - 1/2)/G - (1 - p') p0) / p', when the target exceeds p0,
// v0 = v ((t / q)^2 - 1) with q the upper quantile of half the target on D and
// v = stdev_unscaled^2, and otherwise the lower bound. Each estimate is held
// between lower^2 / s0^2 and upper^2 / s0^2, and v0 is their mean. Without
// any t, infinity. t and df_total are indexed as fits.
double prior_coefficient_variance(const std::vector<gene_fit>& fits, const std::vector<double>& t,
                                  const std::vector<double>& df_total, double s2_prior,
                                  const moderated_settings& settings);

// Log posterior odds B that a gene changes (section 6.3 of the paper):
// ln(p / (1 - p)) + ln(r) / 2 - (1 + df)/2 ln((t^2 r + df) / (t^2 + df)) with
// r = v / (v + v0), v = stdev_unscaled^2; an infinite df gives the limit
// ln(p / (1 - p)) + ln(r) / 2 + t^2 (1 - r) / 2. log_odds(0, 4, 1, 3, 0.5) = ln(1/2).
double log_odds(double t, double df, double stdev_unscaled, double var_prior, double proportion);

// Benjamini-Hochberg adjusted p-values (1995) over the p that are not
// not-a-number, n of them: the smallest (n / j) p_(j) at or above the rank,
// at most 1; not-a-number stays. Example: 0.01, 0.04, NaN, 0.03 give 0.03, 0.04, NaN, 0.04.
std::vector<double> benjamini_hochberg(const std::vector<double>& p);

struct moderated_result {
    bool estimable;  // some gene has residual degrees of freedom
    double df_prior, s2_prior, var_prior;
    // Per gene; not-a-number for a gene without a value (and wherever the
    // statistic is 0/0), but df_total for every gene.
    std::vector<double> s2_post, df_total, t, p_value, adjusted_p, b;
};

// The moderated statistics of every gene, as limma's eBayes with no trend and
// no robust fitting:
//   s2_post = (d0 s0^2 + d s^2) / (d0 + d), s0^2 when d0 is infinite;
//   t = coefficient / (stdev_unscaled sqrt(s2_post));
//   df_total = min(d0 + d, sum of d over all genes), the two-sided p-value on it;
//   B on df_total, or on infinite df when d0 is.
// Without residual degrees of freedom anywhere nothing is estimable and every
// statistic is not-a-number.
moderated_result moderated_t(const std::vector<gene_fit>& fits, const moderated_settings& settings = {});
