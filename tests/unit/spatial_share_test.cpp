#include "numeric/spatial_share.hpp"

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Spots of a small slide: 4 x 6 blocks of 12 x 12 spots, 150 um apart, 600 um
// between blocks, each centre off by a few um as the scanner finds it.
struct layout {
    std::vector<double> x, y;
};

layout small_slide(std::mt19937& gen) {
    std::uniform_real_distribution<double> jitter(-8.0, 8.0);
    layout l;
    for (int block_row = 0; block_row < 6; ++block_row)
        for (int block_col = 0; block_col < 4; ++block_col)
            for (int row = 0; row < 12; ++row)
                for (int col = 0; col < 12; ++col) {
                    l.x.push_back(2000.0 + block_col * (11 * 150.0 + 600.0) + col * 150.0 + jitter(gen));
                    l.y.push_back(3000.0 + block_row * (11 * 150.0 + 600.0) + row * 150.0 + jitter(gen));
                }
    return l;
}

double share_of(const std::vector<double>& m, const layout& l, int cutoff = spatial_cutoff) {
    return spatial_share(m.data(), l.x.data(), l.y.data(), static_cast<int>(m.size()), cutoff);
}

// The share from its definition: the grid laid out anew, midranks counted,
// every coefficient of the full 2D transform summed with cos and sin of the
// plain angle.
double share_by_full_transform(const std::vector<double>& m, const layout& l, int cutoff) {
    const int n = static_cast<int>(m.size());
    double x_low = l.x[0], x_high = l.x[0], y_low = l.y[0], y_high = l.y[0];
    for (int k = 0; k < n; ++k) {
        x_low = std::min(x_low, l.x[k]);
        x_high = std::max(x_high, l.x[k]);
        y_low = std::min(y_low, l.y[k]);
        y_high = std::max(y_high, l.y[k]);
    }
    const spatial_grid grid = spatial_grid_for(n, x_high - x_low, y_high - y_low);
    const int nx = grid.nx, ny = grid.ny;
    std::vector<double> sum(nx * ny, 0.0), count(nx * ny, 0.0);
    for (int k = 0; k < n; ++k) {
        double rank = 0.5;
        for (int j = 0; j < n; ++j) rank += m[j] < m[k] ? 1.0 : (m[j] == m[k] ? 0.5 : 0.0);
        const int u = std::min(nx - 1, static_cast<int>(std::floor((l.x[k] - x_low) / (x_high - x_low) * nx)));
        const int v = std::min(ny - 1, static_cast<int>(std::floor((l.y[k] - y_low) / (y_high - y_low) * ny)));
        sum[u * ny + v] += rank - (n + 1) / 2.0;
        count[u * ny + v] += 1.0;
    }
    const double two_pi = 2.0 * std::acos(-1.0);
    double low = 0.0, total = 0.0;
    for (int kx = 0; kx < nx; ++kx)
        for (int ky = 0; ky < ny; ++ky) {
            if (kx == 0 && ky == 0) continue;
            double re = 0.0, im = 0.0;
            for (int u = 0; u < nx; ++u)
                for (int v = 0; v < ny; ++v) {
                    const double g = count[u * ny + v] > 0 ? sum[u * ny + v] / count[u * ny + v] : 0.0;
                    const double angle = two_pi * (static_cast<double>(kx) * u / nx + static_cast<double>(ky) * v / ny);
                    re += g * std::cos(angle);
                    im -= g * std::sin(angle);
                }
            const double power = re * re + im * im;
            total += power;
            if (std::min(kx, nx - kx) <= cutoff && std::min(ky, ny - ky) <= cutoff) low += power;
        }
    return low / total;
}

}  // namespace

TEST(spatial_share, grid_follows_the_spot_count_and_the_slide_shape) {
    const auto cells = [](int spots, double xr, double yr) {
        const spatial_grid g = spatial_grid_for(spots, xr, yr);
        return std::vector<int>{g.nx, g.ny};
    };
    EXPECT_EQ(cells(4800, 20000, 60000), (std::vector<int>{20, 60}));
    EXPECT_EQ(cells(4800, 60000, 20000), (std::vector<int>{60, 20}));
    EXPECT_EQ(cells(55296, 18000, 54000), (std::vector<int>{68, 203}));
    EXPECT_EQ(cells(100, 0, 500), (std::vector<int>{1, 25}));
    EXPECT_EQ(cells(100, 500, 0), (std::vector<int>{25, 1}));
    EXPECT_EQ(cells(100, 0, 0), (std::vector<int>{1, 1}));
    EXPECT_EQ(cells(2, 1, 1), (std::vector<int>{1, 1}));
    // A thin strip: every spot its own column, never more cells than spots.
    EXPECT_EQ(cells(10, 1e300, 1e-300), (std::vector<int>{10, 1}));
}

TEST(spatial_share, small_cases_by_hand) {
    // M = 1..8 along X: cells (-2, 2), all power at the one coefficient kx = 1.
    const std::vector<double> m = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<double> x = {0, 1, 2, 3, 4, 5, 6, 7};
    const std::vector<double> y(8, 0.0);
    EXPECT_EQ(spatial_share(m.data(), x.data(), y.data(), 8), 1.0);
    // No spread of M, one spot, one place: nothing to share out.
    const std::vector<double> flat(8, 0.5);
    EXPECT_TRUE(std::isnan(spatial_share(flat.data(), x.data(), y.data(), 8)));
    EXPECT_TRUE(std::isnan(spatial_share(m.data(), x.data(), y.data(), 1)));
    EXPECT_TRUE(std::isnan(spatial_share(m.data(), y.data(), y.data(), 8)));
}

TEST(spatial_share, agrees_with_the_full_transform) {
    std::mt19937 gen(21);
    const layout slide = small_slide(gen);  // 3,456 spots: a 24 x 36 grid
    layout part;                            // the first 150 spots: an 8 x 5 grid, the low frequencies wrapping round
    part.x.assign(slide.x.begin(), slide.x.begin() + 150);
    part.y.assign(slide.y.begin(), slide.y.begin() + 150);
    std::normal_distribution<double> z;
    std::uniform_int_distribution<int> level(0, 5);
    std::vector<double> m(slide.x.size()), tied(slide.x.size());
    for (std::size_t k = 0; k < m.size(); ++k) {
        m[k] = z(gen) + slide.y[k] / 20000.0;
        tied[k] = level(gen);
    }
    for (int cutoff : {1, 3, 6}) {
        EXPECT_NEAR(share_of(m, slide, cutoff), share_by_full_transform(m, slide, cutoff), 1e-12) << cutoff;
        EXPECT_NEAR(share_of(tied, slide, cutoff), share_by_full_transform(tied, slide, cutoff), 1e-12) << cutoff;
        const std::vector<double> m_part(m.begin(), m.begin() + 150);
        EXPECT_NEAR(share_of(m_part, part, cutoff), share_by_full_transform(m_part, part, cutoff), 1e-12) << cutoff;
    }
    // Every coefficient low: the share is the whole of Parseval's total.
    EXPECT_NEAR(share_of(m, slide, 100), 1.0, 1e-12);
}

TEST(spatial_share, only_the_ranks_of_m_count_and_missing_spots_are_left_out) {
    std::mt19937 gen(4);
    layout slide = small_slide(gen);
    std::normal_distribution<double> z;
    std::vector<double> m(slide.x.size()), stretched(m.size());
    for (std::size_t k = 0; k < m.size(); ++k) {
        m[k] = z(gen);
        stretched[k] = std::exp(3.0 * m[k]);
    }
    const double share = share_of(m, slide);
    const double same = share_of(stretched, slide);
    EXPECT_EQ(std::memcmp(&share, &same, sizeof share), 0);

    // Spots without M or without a place drop out as if they were not there.
    layout fewer;
    std::vector<double> m_fewer;
    layout holes = slide;
    std::vector<double> m_holes = m;
    for (std::size_t k = 0; k < m.size(); ++k) {
        if (k % 7 == 0) m_holes[k] = NAN;
        if (k % 11 == 0) holes.x[k] = NAN;
        if (k % 13 == 0) holes.y[k] = INFINITY;
        if (k % 7 == 0 || k % 11 == 0 || k % 13 == 0) continue;
        fewer.x.push_back(slide.x[k]);
        fewer.y.push_back(slide.y[k]);
        m_fewer.push_back(m[k]);
    }
    const double with_holes = share_of(m_holes, holes);
    const double without = share_of(m_fewer, fewer);
    EXPECT_EQ(std::memcmp(&with_holes, &without, sizeof share), 0);
}

TEST(spatial_share, gradients_and_blotches_score_high_noise_low) {
    std::mt19937 gen(8);
    const layout slide = small_slide(gen);
    std::normal_distribution<double> z;
    const std::size_t n = slide.x.size();
    std::vector<double> noise(n), gradient(n), blotch(n);
    for (std::size_t k = 0; k < n; ++k) {
        noise[k] = z(gen);
        gradient[k] = slide.x[k] / 10000.0 + slide.y[k] / 25000.0 + 0.2 * z(gen);
        const double dx = slide.x[k] - 4000.0, dy = slide.y[k] - 10000.0;
        blotch[k] = z(gen) + 3.0 * std::exp(-(dx * dx + dy * dy) / (2.0 * 2000.0 * 2000.0));
    }
    EXPECT_LT(share_of(noise, slide), 0.1);
    EXPECT_GT(share_of(gradient, slide), 0.5);
    EXPECT_GT(share_of(blotch, slide), 0.3);
}
