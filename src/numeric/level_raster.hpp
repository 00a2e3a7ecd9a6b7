// A grid of cells, each holding a small integer level (a colour level, a
// count) or nothing: what a picture shows, before anything draws it.
#pragma once

#include <vector>

struct level_raster {
    int columns = 0, rows = 0;
    std::vector<int> level;  // row-major, columns * rows; below 0 means empty

    level_raster() = default;
    level_raster(int c, int r) : columns(c), rows(r), level(static_cast<std::size_t>(c) * r, -1) {}
    int& at(int column, int row) { return level[static_cast<std::size_t>(row) * columns + column]; }
    int at(int column, int row) const { return level[static_cast<std::size_t>(row) * columns + column]; }
};
