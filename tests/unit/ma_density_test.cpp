#include "analysis/ma_density.hpp"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace {

ma_points line_points(int n, double slope) {
    ma_points p;
    for (int i = 0; i < n; ++i) {
        const double a = 4.0 + 8.0 * ((i * 7919) % n) / (n - 1.0);  // A from 4 to 12, out of order
        p.a.push_back(a);
        p.m.push_back(slope * (a - 8.0));
    }
    return p;
}

TEST(ma_density, density_levels_double_per_level_up_to_the_last) {
    EXPECT_EQ(density_level(1), 0);
    EXPECT_EQ(density_level(2), 1);
    EXPECT_EQ(density_level(3), 1);
    EXPECT_EQ(density_level(4), 2);
    EXPECT_EQ(density_level(1000), 9);
    EXPECT_EQ(density_level(100000), density_levels - 1);
}

TEST(ma_density, points_outside_the_axes_land_on_the_edge_cells) {
    ma_points p;
    p.a = {-3.0, 20.0, 8.0, 8.0, 8.0};
    p.m = {9.0, -9.0, 0.0, 0.0, 0.0};
    ma_density d;
    bin_points(p, 16, 8, d);
    EXPECT_EQ(d.spots, 5);
    EXPECT_EQ(d.bins.at(0, 0), 0);   // low A, high M: left column, top row
    EXPECT_EQ(d.bins.at(15, 7), 0);  // high A, low M
    EXPECT_EQ(d.bins.at(8, 3), 1);   // A = 8, M = 0: three spots
    EXPECT_EQ(d.bins.at(8, 4), -1);
}

// A straight line is its own lowess fit: the curve lies on it, from the
// first A to the last through the centres of the columns between.
TEST(ma_density, the_curve_of_a_line_is_the_line_at_the_column_centres) {
    const ma_points p = line_points(1000, 0.25);
    ma_density d;
    std::vector<int> order;
    fit_curve(p, 64, d, order);
    EXPECT_EQ(d.fitted, 1000);
    ASSERT_EQ(d.curve_a.size(), 2u + 32u);  // 4 to 12 holds the centres of columns 16 to 47
    EXPECT_DOUBLE_EQ(d.curve_a.front(), 4.0);
    EXPECT_DOUBLE_EQ(d.curve_a[1], 4.125);
    EXPECT_DOUBLE_EQ(d.curve_a.back(), 12.0);
    for (std::size_t i = 0; i < d.curve_a.size(); ++i) EXPECT_NEAR(d.curve_m[i], 0.25 * (d.curve_a[i] - 8.0), 1e-9);
}

TEST(ma_density, the_curve_is_fitted_on_a_sample_of_many_spots_and_not_on_a_few) {
    const ma_points many = line_points(12001, -0.5);
    ma_density d;
    std::vector<int> order;
    fit_curve(many, 64, d, order);
    EXPECT_EQ(d.fitted, 4001);  // every third spot in A order, the first and the last included
    EXPECT_DOUBLE_EQ(d.curve_a.front(), 4.0);
    EXPECT_DOUBLE_EQ(d.curve_a.back(), 12.0);
    EXPECT_NEAR(d.curve_m[10], -0.5 * (d.curve_a[10] - 8.0), 1e-9);

    const ma_points few = line_points(curve_minimum - 1, 1.0);
    fit_curve(few, 64, d, order);
    EXPECT_EQ(d.fitted, 0);
    EXPECT_TRUE(d.curve_a.empty());
    EXPECT_TRUE(d.curve_m.empty());
}

// A spot far off the cloud does not bend the curve: the robustness steps
// weigh it 0. (Without them it lifts the curve by about 0.7 near it.)
TEST(ma_density, one_wild_spot_does_not_bend_the_curve) {
    ma_points p = line_points(400, 0.0);
    for (std::size_t i = 0; i < p.m.size(); ++i) p.m[i] = i % 2 == 0 ? 0.1 : -0.1;
    p.m[200] = 50.0;
    ma_density d;
    std::vector<int> order;
    fit_curve(p, 64, d, order);
    ASSERT_GT(d.curve_m.size(), 20u);
    for (double m : d.curve_m) EXPECT_NEAR(m, 0.0, 0.1);
}

}  // namespace
