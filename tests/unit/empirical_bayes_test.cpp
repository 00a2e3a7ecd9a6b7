#include "numeric/empirical_bayes.hpp"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace {
const double na = NAN;

::testing::AssertionResult close_relative(double a, double b, double tolerance) {
    if (std::fabs(a - b) <= tolerance * std::fabs(b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " against " << b << ", relative " << std::fabs(a - b) / std::fabs(b);
}

// Fits of the rows of a gene x file matrix.
std::vector<gene_fit> fits_of(const std::vector<std::vector<double>>& rows) {
    std::vector<gene_fit> fits;
    for (const std::vector<double>& row : rows)
        fits.push_back(one_sample_fit(row.data(), static_cast<int>(row.size())));
    return fits;
}

// Genes of the given variances and residual df, as fit_variance_prior reads them.
std::vector<gene_fit> variances(const std::vector<double>& s2, const std::vector<int>& df) {
    std::vector<gene_fit> fits;
    for (std::size_t i = 0; i < s2.size(); ++i) fits.push_back({0.0, s2[i], df[i], 1.0, true});
    return fits;
}
}  // namespace

TEST(empirical_bayes, one_sample_fit_of_a_row) {
    const double row[] = {1.0, na, 2.0, 6.0};
    const gene_fit f = one_sample_fit(row, 4);
    EXPECT_EQ(f.coefficient, 3.0);
    EXPECT_EQ(f.s2, 7.0);
    EXPECT_EQ(f.df_residual, 2);
    EXPECT_EQ(f.stdev_unscaled, 1.0 / std::sqrt(3.0));
    EXPECT_TRUE(f.present);

    const double single[] = {na, 0.25, na};
    const gene_fit one = one_sample_fit(single, 3);
    EXPECT_EQ(one.coefficient, 0.25);
    EXPECT_TRUE(std::isnan(one.s2));
    EXPECT_EQ(one.df_residual, 0);
    EXPECT_EQ(one.stdev_unscaled, 1.0);
    EXPECT_TRUE(one.present);

    const double none[] = {na, na};
    const gene_fit empty = one_sample_fit(none, 2);
    EXPECT_FALSE(empty.present);
    EXPECT_EQ(empty.df_residual, 0);
    EXPECT_TRUE(std::isnan(empty.coefficient));

    const double equal[] = {0.7, 0.7, 0.7};
    EXPECT_EQ(one_sample_fit(equal, 3).s2, 0.0);
}

TEST(empirical_bayes, benjamini_hochberg_hand_worked) {
    // Sorted: 0.001 0.008 0.039 0.041 0.042 0.06 0.074 0.205; (8/j) p_(j) =
    // 0.008 0.032 0.104 0.082 0.0672 0.08 0.0846 0.205, then the running
    // minimum from the top.
    const std::vector<double> p = {0.06, 0.001, 0.205, 0.041, na, 0.008, 0.074, 0.039, 0.042};
    const std::vector<double> expected = {0.08, 0.008, 0.205, 0.0672, na, 0.032, 8.0 / 7.0 * 0.074, 0.0672, 0.0672};
    const std::vector<double> adjusted = benjamini_hochberg(p);
    ASSERT_EQ(adjusted.size(), p.size());
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (std::isnan(expected[i])) {
            EXPECT_TRUE(std::isnan(adjusted[i])) << i;
        } else {
            EXPECT_NEAR(adjusted[i], expected[i], 1e-15) << i;
        }
    }
    // Ties share a value; nothing goes above 1.
    const std::vector<double> tied = benjamini_hochberg({0.4, 0.9, 0.4, 0.95});
    EXPECT_NEAR(tied[0], 0.8, 1e-15);
    EXPECT_NEAR(tied[2], 0.8, 1e-15);
    EXPECT_NEAR(tied[1], 0.95, 1e-15);
    EXPECT_EQ(benjamini_hochberg({0.6, 0.7})[0], 0.7);
    EXPECT_EQ(benjamini_hochberg({0.9, 1.0, 0.99})[1], 1.0);
    EXPECT_TRUE(std::isnan(benjamini_hochberg({na})[0]));
}

// Reference values: limma's fitFDist on the same variances.
TEST(empirical_bayes, variance_prior_against_limma) {
    const variance_prior a = fit_variance_prior(variances({0.1, 1.0, 10.0, 100.0}, {3, 3, 3, 3}));
    EXPECT_TRUE(close_relative(a.df, 0.76371010631535952, 1e-12));
    EXPECT_TRUE(close_relative(a.s2, 0.80576180080213899, 1e-12));

    const variance_prior b = fit_variance_prior(variances({0.3, 0.9, 2.5, 0.05, 1.2, 0.6}, {1, 2, 2, 3, 5, 8}));
    EXPECT_TRUE(close_relative(b.df, 8.5058419300663299, 1e-12));
    EXPECT_TRUE(close_relative(b.s2, 0.80344343001246188, 1e-12));

    // A zero variance is raised to 1e-5 times the median ...
    const variance_prior c = fit_variance_prior(variances({0.0, 1.0, 2.0, 3.0}, {2, 2, 2, 2}));
    EXPECT_TRUE(close_relative(c.df, 0.35628935190850403, 1e-12));
    EXPECT_TRUE(close_relative(c.s2, 0.0025875006152770502, 1e-12));
    // ... and to 1e-5 when the median itself is zero.
    const variance_prior d = fit_variance_prior(variances({0.0, 0.0, 0.0, 2.0}, {2, 2, 2, 2}));
    EXPECT_TRUE(close_relative(d.df, 0.34154312939038711, 1e-12));
    EXPECT_TRUE(close_relative(d.s2, 4.5550799084388903e-06, 1e-12));

    // Less spread than the chi-square alone gives: infinite d0, the mean variance.
    const variance_prior e = fit_variance_prior(variances({1.0, 2.0, 4.0, 8.0}, {3, 3, 3, 3}));
    EXPECT_EQ(e.df, INFINITY);
    EXPECT_EQ(e.s2, 3.75);
}

TEST(empirical_bayes, variance_prior_counts_only_genes_with_residual_df) {
    std::vector<gene_fit> fits = variances({0.1, 1.0, 10.0, 100.0}, {3, 3, 3, 3});
    fits.push_back({2.0, na, 0, 1.0, true});
    fits.push_back({na, na, 0, na, false});
    const variance_prior a = fit_variance_prior(fits);
    EXPECT_TRUE(close_relative(a.df, 0.76371010631535952, 1e-12));

    const variance_prior single = fit_variance_prior(variances({0.5, na}, {1, 0}));
    EXPECT_EQ(single.df, 0.0);
    EXPECT_EQ(single.s2, 0.5);
    EXPECT_TRUE(std::isnan(fit_variance_prior(variances({na, na}, {0, 0})).df));
}

TEST(empirical_bayes, log_odds_and_its_infinite_df_limit) {
    EXPECT_NEAR(log_odds(0.0, 4.0, 1.0, 3.0, 0.5), std::log(0.5), 1e-15);
    // t = 3 on 1 df, v = 1/2, v0 = 4: ln(1/99) + ln(1/9)/2 - ln((1 + 1) / 10).
    EXPECT_NEAR(log_odds(3.0, 1.0, std::sqrt(0.5), 4.0, 0.01),
                std::log(1.0 / 99.0) + 0.5 * std::log(1.0 / 9.0) - std::log(0.2), 1e-14);
    for (double t : {0.5, 3.0, 12.0})
        EXPECT_NEAR(log_odds(t, 1e14, 0.4, 7.0, 0.01), log_odds(t, INFINITY, 0.4, 7.0, 0.01), 1e-9) << t;
}

// limma's numbers for one matrix: priors df, s2 and var, then per gene t,
// P.Value and B (not-a-number: no value).
struct limma_reference {
    std::vector<std::vector<double>> rows;
    double df_prior, s2_prior, var_prior;
    std::vector<double> t, p, b;
};

void expect_limma(const limma_reference& expected, const moderated_result& r) {
    ASSERT_TRUE(r.estimable);
    EXPECT_TRUE(close_relative(r.df_prior, expected.df_prior, 1e-12));
    EXPECT_TRUE(close_relative(r.s2_prior, expected.s2_prior, 1e-12));
    EXPECT_TRUE(close_relative(r.var_prior, expected.var_prior, 1e-11));
    for (std::size_t g = 0; g < expected.t.size(); ++g) {
        if (std::isnan(expected.t[g])) {
            EXPECT_TRUE(std::isnan(r.t[g]) && std::isnan(r.p_value[g]) && std::isnan(r.adjusted_p[g]) &&
                        std::isnan(r.b[g]))
                << g;
            continue;
        }
        // limma's t of a gene of mean 0 is rounding, about 1e-16.
        EXPECT_NEAR(r.t[g], expected.t[g], 1e-11 * std::fabs(expected.t[g]) + 1e-15) << g;
        EXPECT_TRUE(close_relative(r.p_value[g], expected.p[g], 1e-11)) << g;
        EXPECT_NEAR(r.b[g], expected.b[g], 1e-11) << g;
    }
}

// A matrix with missing values, a gene with all values equal, one with a
// single value and one with none; reference values from limma 3.54.1 (lmFit,
// eBayes, topTable).
TEST(empirical_bayes, moderated_t_against_limma) {
    const limma_reference expected = {
        {{1.2, 0.8, 1.5, 1.1},
         {-0.3, 0.4, na, 0.1},
         {2.5, 2.9, 3.4, na},
         {0.7, 0.7, 0.7, 0.7},
         {na, na, 0.9, na},
         {na, na, na, na},
         {-1.6, -2.2, -1.1, -1.9},
         {0.05, -0.2, 0.3, -0.4}},
        0.43611804178812619,
        0.001050058829594182,
        6492.9303109601406,
        {8.5191146499651982, 0.36254383832791581, 12.428179803772769, 121.26995902799094, 27.773824945574336, na,
         -7.755152966873732, -0.43999051572932962},
        {0.0019887028878725673, 0.74604616109153188, 0.0029080019119198377, 2.3096677413125401e-07, 0.15359896369615517,
         na, 0.0027108134802772475, 0.68617535710253419},
        {-2.8110123276753125, -9.4434092671497556, -2.3832512030574806, 8.5313949452968885, -3.7873255740501959, na,
         -3.2068669699409371, -9.5559531929210646}};
    const moderated_result r = moderated_t(fits_of(expected.rows));
    expect_limma(expected, r);
    const double adjusted[] = {0.0050890033458597158, 0.74604616109153188, 0.0050890033458597158,
                               1.616767418918778e-06, 0.21503854917461723, na,
                               0.0050890033458597158, 0.74604616109153188};
    for (int g = 0; g < 8; ++g) {
        if (!std::isnan(adjusted[g])) {
            EXPECT_TRUE(close_relative(r.adjusted_p[g], adjusted[g], 1e-11)) << g;
        }
    }
}

// d0 = 40.5 over three genes of 2 df: df_total is the pooled 6, and B is
// taken on it too.
TEST(empirical_bayes, finite_prior_df_capped_at_the_pooled_df) {
    const limma_reference expected = {{{-0.7, 0.3, 1.3}, {0.0824, 2, 3.9176}, {-1.3215, -0.8, -0.2785}},
                                      40.530164240288947,
                                      1.7373461485858381,
                                      2.5129388051296679,
                                      {0.39821385853772168, 2.5617399794804721, -1.0727434274749561},
                                      {0.70425565650411137, 0.042808277727851785, 0.32462509225712094},
                                      {-5.5869469842974739, -3.5029254940271266, -5.1310609620104906}};
    const moderated_result r = moderated_t(fits_of(expected.rows));
    expect_limma(expected, r);
    for (double df : r.df_total) EXPECT_EQ(df, 6.0);
}

// The top gene has the fewest values, so the smallest df_total: for v0 its t
// is first carried to the largest df (without that v0 would be 301.2).
TEST(empirical_bayes, coefficient_variance_on_the_largest_df) {
    const limma_reference expected = {
        {{2.9, 3.4, 3.1, na, na},
         {0.3, -0.2, 0.5, 0.1, 0.2},
         {-0.4, 1.2, -0.1, 0.6, -1.5},
         {1.0, 0.2, 0.9, 0.4, 0.7},
         {-0.3, -1.1, -0.2, -0.9, 0.05},
         {0.2, 0.1, na, -0.3, 0.0},
         {2.2, -1.7, 0.4, 3.1, -2.6},
         {0.05, 0.02, -0.01, 0.04, 0.0}},
        0.87852472392812564,
        0.03472953636471092,
        57.978083699828154,
        {23.225075058201725, 1.6271281926390437, -0.095913065676401746, 4.550464511018089, -2.4414997295945318,
         1.3237550508157237e-16, 0.28287975641460367, 0.5428435753810692},
        {0.00022992731162445012, 0.1660894446185866, 0.92740446389427778, 0.0064872280949994461, 0.059782188250120508,
         0.99999999999999989, 0.78887768617915788, 0.61110594427216158},
        {1.5694902884257278, -6.1628124958853965, -7.4260749405015885, -2.6033040005206347, -5.0973563755042779,
         -7.3204509187701365, -7.3839382025477791, -7.2598176477501184}};
    expect_limma(expected, moderated_t(fits_of(expected.rows)));
}

// Equal variances: infinite d0, every df_total capped at the pooled 6, and B
// at its limit; a gene with one value takes s0^2 as its variance. limma: the
// same, its t of the first gene 1.1e-16 instead of 0 from rounding.
TEST(empirical_bayes, infinite_prior_df_and_the_cap) {
    const moderated_result r = moderated_t(fits_of({{-1, 0, 1}, {-0.5, 0.5, 1.5}, {2, 3, 4}, {na, 7, na}}));
    EXPECT_EQ(r.df_prior, INFINITY);
    EXPECT_EQ(r.s2_prior, 1.0);
    EXPECT_NEAR(r.var_prior, 16.0, 1e-13);  // the upper bound 4^2 / s0^2
    const double t[] = {0.0, 0.86602540378443882, 5.1961524227066311, 7.0000000000000009};
    const double p[] = {1.0, 0.41975308641975301, 0.0020223677405427232, 0.0004234832524315919};
    const double b[] = {-6.5410299991899032, -6.1736830604143931, 6.683459796728461, 17.047097007249072};
    for (int g = 0; g < 4; ++g) {
        EXPECT_EQ(r.df_total[g], 6.0) << g;
        EXPECT_NEAR(r.t[g], t[g], 1e-13 * std::fabs(t[g]) + 1e-15) << g;
        EXPECT_TRUE(close_relative(r.p_value[g], p[g], 1e-12)) << g;
        EXPECT_NEAR(r.b[g], b[g], 1e-12) << g;
    }
}

// One gene with residual df: d0 = 0 and that gene's variance; the gene with
// one value has 0/0 for its statistics. v0 from the single target: p' = 1,
// target 1/2, q = 1 on 1 df, v0 = (1/2)(3^2 - 1) = 4.
TEST(empirical_bayes, single_gene_with_residual_df) {
    const moderated_result r = moderated_t(fits_of({{1, na, 2}, {na, na, 3}, {na, na, na}}));
    ASSERT_TRUE(r.estimable);
    EXPECT_EQ(r.df_prior, 0.0);
    EXPECT_EQ(r.s2_prior, 0.5);
    EXPECT_NEAR(r.var_prior, 4.0, 1e-13);
    EXPECT_NEAR(r.t[0], 3.0, 1e-14);
    EXPECT_NEAR(r.p_value[0], 0.2048327646991335, 1e-15);
    EXPECT_NEAR(r.adjusted_p[0], 0.2048327646991335, 1e-15);
    EXPECT_NEAR(r.b[0], -4.0842942263685993, 1e-13);
    for (int g = 1; g < 3; ++g)
        EXPECT_TRUE(std::isnan(r.t[g]) && std::isnan(r.p_value[g]) && std::isnan(r.adjusted_p[g]) && std::isnan(r.b[g]))
            << g;
}

TEST(empirical_bayes, nothing_estimable_without_residual_df) {
    const moderated_result r = moderated_t(fits_of({{1, na}, {na, 2}, {na, na}}));
    EXPECT_FALSE(r.estimable);
    EXPECT_TRUE(std::isnan(r.df_prior));
    for (int g = 0; g < 3; ++g) EXPECT_TRUE(std::isnan(r.t[g]) && std::isnan(r.b[g])) << g;
}

TEST(empirical_bayes, coefficient_variance_held_between_its_bounds) {
    // 200 genes, one target: no gene stands out, so the target falls below
    // p0 and v0 is the lower bound 0.1^2 / s0^2; one huge t gives the upper
    // one, 4^2 / s0^2.
    std::vector<gene_fit> fits;
    std::vector<double> t, df;
    for (int g = 0; g < 200; ++g) {
        fits.push_back({0.0, 1.0, 3, 0.5, true});
        t.push_back(0.01 * (g % 7));
        df.push_back(8.0);
    }
    const moderated_settings settings;
    EXPECT_DOUBLE_EQ(prior_coefficient_variance(fits, t, df, 0.1, settings), 0.01 / 0.1);
    t[57] = -1e6;
    EXPECT_DOUBLE_EQ(prior_coefficient_variance(fits, t, df, 0.1, settings), 16.0 / 0.1);
    // Between the bounds: v ((t / q)^2 - 1), q the upper quantile of half the
    // target (0.5/200 - 0.99 p0) / 0.01 on 8 df (R: qt and pt).
    t[57] = -20.0;
    EXPECT_TRUE(close_relative(prior_coefficient_variance(fits, t, df, 0.1, settings), 64.751842339328377, 1e-12));
}
