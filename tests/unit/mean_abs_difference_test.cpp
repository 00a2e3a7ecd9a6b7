#include "numeric/mean_abs_difference.hpp"

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

TEST(mean_abs_difference, only_spots_present_in_both) {
    const double a[] = {1, 2, NAN, 4};
    const double b[] = {2, 0, 5, 4};
    EXPECT_EQ(mean_abs_difference(a, b, 4), 1.0);
    const double c[] = {NAN, 7, 1, NAN};
    const double d[] = {3, NAN, NAN, 2};
    EXPECT_TRUE(std::isnan(mean_abs_difference(c, d, 4)));
    EXPECT_TRUE(std::isnan(mean_abs_difference(a, b, 0)));
}

TEST(mean_abs_difference, same_bits_either_way_round) {
    std::mt19937 gen(3);
    std::normal_distribution<double> value(0.0, 1.5);
    std::vector<double> a(5000), b(5000);
    for (int s = 0; s < 5000; ++s) {
        a[s] = s % 17 == 0 ? NAN : value(gen);
        b[s] = s % 23 == 0 ? NAN : value(gen);
    }
    const double ab = mean_abs_difference(a.data(), b.data(), 5000);
    const double ba = mean_abs_difference(b.data(), a.data(), 5000);
    EXPECT_EQ(std::memcmp(&ab, &ba, sizeof ab), 0);
}

TEST(mean_abs_difference, file_distance_sums_the_other_files_from_the_upper_triangle) {
    // Three files of three spots; the lower triangle and the diagonal hold
    // not-a-number, which would show if they were read.
    const double rows_data[3][3] = {{0, 1, NAN}, {1, 3, 2}, {2, NAN, 6}};
    const double* rows[] = {rows_data[0], rows_data[1], rows_data[2]};
    double pair_means[9];
    for (double& p : pair_means) p = NAN;
    pair_means[0 * 3 + 1] = mean_abs_difference(rows[0], rows[1], 3);  // (1 + 2) / 2 = 1.5
    pair_means[0 * 3 + 2] = mean_abs_difference(rows[0], rows[2], 3);  // 2 / 1 = 2
    pair_means[1 * 3 + 2] = mean_abs_difference(rows[1], rows[2], 3);  // (1 + 4) / 2 = 2.5
    EXPECT_EQ(file_distance(pair_means, 3, 0), 3.5);
    EXPECT_EQ(file_distance(pair_means, 3, 1), 4.0);
    EXPECT_EQ(file_distance(pair_means, 3, 2), 4.5);

    double distance[3];
    file_distances(rows, 3, 3, distance);
    EXPECT_EQ(distance[0], 3.5);
    EXPECT_EQ(distance[1], 4.0);
    EXPECT_EQ(distance[2], 4.5);

    // One file alone has no others: 0. A pair without common spots: not-a-number.
    file_distances(rows, 1, 3, distance);
    EXPECT_EQ(distance[0], 0.0);
    const double lonely[] = {NAN, NAN, 9};
    const double* with_lonely[] = {rows_data[0], lonely};
    file_distances(with_lonely, 2, 2, distance);
    EXPECT_TRUE(std::isnan(distance[0]));
    EXPECT_TRUE(std::isnan(distance[1]));
}
