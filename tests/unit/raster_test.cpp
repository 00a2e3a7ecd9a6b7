#include "plot/raster.hpp"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(raster, runs_merge_equal_neighbours_per_row) {
    level_raster r(5, 2);
    r.at(0, 0) = r.at(1, 0) = r.at(2, 0) = 1;
    r.at(4, 0) = 1;
    r.at(3, 0) = 0;
    r.at(0, 1) = 1;
    EXPECT_EQ(raster_runs(r, 1), "M0 0.5h3m1 0h1M0 1.5h1");
    EXPECT_EQ(raster_runs(r, 0), "M3 0.5h1");
    EXPECT_EQ(raster_runs(r, 2), "");
}

TEST(raster, one_path_per_level_present) {
    level_raster r(2, 1);
    r.at(0, 0) = 0;
    r.at(1, 0) = 2;
    std::string out;
    svg_writer svg(out, 10, 5, "r");
    draw_raster(svg, r, 1, 2, 2.5, 3, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
    svg.finish();
    EXPECT_NE(out.find("<g transform=\"translate(1 2) scale(2.5 3)\">"), std::string::npos);
    EXPECT_NE(out.find("stroke=\"#010101\" stroke-width=\"1\" d=\"M0 0.5h1\""), std::string::npos);
    EXPECT_EQ(out.find("#020202"), std::string::npos);
    EXPECT_NE(out.find("stroke=\"#030303\" stroke-width=\"1\" d=\"M1 0.5h1\""), std::string::npos);
}

}  // namespace
