#include "numeric/tie_spans.hpp"

#include <random>
#include <vector>

#include <gtest/gtest.h>

TEST(tie_spans, small_cases_by_hand) {
    const double v[] = {3, 1, 3, 2};
    int first[4], last[4];
    tie_spans(v, 4, first, last);
    EXPECT_EQ(std::vector<int>(first, first + 4), (std::vector<int>{3, 1, 3, 2}));
    EXPECT_EQ(std::vector<int>(last, last + 4), (std::vector<int>{4, 1, 4, 2}));

    const double same[] = {5, 5, 5};
    tie_spans(same, 3, first, last);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(first[k], 1);
        EXPECT_EQ(last[k], 3);
    }

    const double zeros[] = {0.0, -1.0, -0.0};
    tie_spans(zeros, 3, first, last);
    EXPECT_EQ(first[0], 2);
    EXPECT_EQ(last[0], 3);
    EXPECT_EQ(first[2], 2);
    EXPECT_EQ(last[2], 3);

    tie_spans(v, 0, first, last);  // nothing to rank, nothing written
}

TEST(tie_spans, agree_with_counting_below_and_at_most) {
    std::mt19937 gen(7);
    for (int levels : {2, 10, 1000}) {
        std::uniform_int_distribution<int> pick(0, levels - 1);
        const int n = 300;
        std::vector<double> v(n);
        for (double& x : v) x = pick(gen) * 0.25;
        std::vector<int> first(n), last(n);
        tie_spans(v.data(), n, first.data(), last.data());
        for (int i = 0; i < n; ++i) {
            int below = 0, at_most = 0;
            for (int j = 0; j < n; ++j) {
                below += v[j] < v[i];
                at_most += v[j] <= v[i];
            }
            EXPECT_EQ(first[i], below + 1) << levels << " " << i;
            EXPECT_EQ(last[i], at_most) << levels << " " << i;
        }
    }
}
