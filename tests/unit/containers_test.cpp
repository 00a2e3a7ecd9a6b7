#include "numeric/containers.hpp"

#include <climits>

#include <gtest/gtest.h>

#include "support/capture.hpp"

TEST(containers, vectors_index_by_their_own_bounds) {
    dvector_t v = dvector(0, 3);
    for (int i = 0; i <= 3; ++i) v[i] = i * 1.5;
    EXPECT_EQ(v.lo(), 0);
    EXPECT_EQ(v.hi(), 3);
    EXPECT_EQ(v[3], 4.5);
    EXPECT_EQ(v.data() + 3, &v[3]);

    ivector_t w = ivector(-2, 2);
    for (int i = -2; i <= 2; ++i) w[i] = i;
    EXPECT_EQ(w[-2], -2);
    EXPECT_EQ(w.data(), &w[-2]);
}

TEST(containers, matrix_row_is_a_series_over_the_same_storage) {
    dmatrix_t m = dmatrix(1, 3, 1, 4);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 4; ++j) m[i][j] = 10 * i + j;
    series<double> row = m[2];
    EXPECT_EQ(row.lo(), 1);
    EXPECT_EQ(row.hi(), 4);
    EXPECT_EQ(row[4], 24.0);
    row[1] = -1.0;  // writes through: no copy was made
    EXPECT_EQ(m[2][1], -1.0);
    series<const double> view = row;
    EXPECT_EQ(view.data(), &m[2][1]);

    cmatrix_t names = cmatrix(1, 2, 0, 50);
    names[2][0] = 'x';
    EXPECT_EQ(names[2].data(), &names[2][0]);
}

TEST(containers, one_below_the_lower_bound_is_empty) {
    const std::string err = capture_stderr([] {
        dvector_t v = dvector(1, 0);
        ivector_t w = ivector(5, 4);
        dmatrix_t m = dmatrix(1, 0, 1, 10);
        dmatrix_t n = dmatrix(1, 3, 1, 0);
        cmatrix_t c = cmatrix(1, 0, 1, -5);  // no row, so the column range is never used
        EXPECT_EQ(v.hi(), 0);
        EXPECT_EQ(n[3].hi(), 0);
    });
    EXPECT_EQ(err, "");
}

struct fatal_case {
    const char* message;
    void (*allocate)();
};

TEST(containers, invalid_ranges_are_allocation_failures) {
    const fatal_case cases[] = {
        {"allocation failure in dvector()", [] { dvector(1, -1); }},
        {"allocation failure in ivector()", [] { ivector(3, 0); }},
        {"allocation failure 1 in dmatrix()", [] { dmatrix(2, 0, 1, 1); }},
        {"allocation failure 2 in dmatrix()", [] { dmatrix(1, 1, 5, 2); }},
        {"allocation failure 1 in cmatrix()", [] { cmatrix(1, -1, 0, 50); }},
        {"allocation failure 2 in cmatrix()", [] { cmatrix(1, 2, 0, -2); }},
        // Counts that cannot be allocated (34 GB, more than the machines this
        // runs on hold), computed without overflow.
        {"allocation failure in dvector()", [] { dvector(INT_MIN, INT_MAX); }},
        {"allocation failure 2 in dmatrix()", [] { dmatrix(1, 1, INT_MIN, INT_MAX); }},
    };
    for (const fatal_case& c : cases) {
        SCOPED_TRACE(c.message);
        int status = -1;
        const std::string err = capture_stderr([&] {
            try {
                c.allocate();
            } catch (const run_failure& end) {
                status = end.status;
                EXPECT_FALSE(end.wait_for_key);
                ASSERT_NE(end.numeric_error, nullptr);
                EXPECT_STREQ(end.numeric_error, c.message);
            }
        });
        EXPECT_EQ(status, 1);
        EXPECT_EQ(err, "") << "the banner is printed once, where the run ends";
    }
}

TEST(containers, numeric_fatal_prints_nothing_itself) {
    std::string err;
    const std::string out = capture_stdout(
        [&] { err = capture_stderr([] { EXPECT_THROW(numeric_fatal("Bad x in routine betai"), run_failure); }); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
}

TEST(containers, release_empties_the_container) {
    dmatrix_t m = dmatrix(1, 2, 1, 2);
    dmatrix_free(m, 1, 2, 1, 2);
    EXPECT_EQ(m.row_hi(), 0);
    dvector_t v = dvector(1, 5);
    dvector_free(v, 1, 5);
    EXPECT_EQ(v.data(), nullptr);
}
