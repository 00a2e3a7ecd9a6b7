#include "plot/raster.hpp"

#include <string>

std::string raster_runs(const level_raster& raster, int level) {
    std::string d;
    for (int row = 0; row < raster.rows; ++row) {
        int end_of_last = -1;  // no run yet in this row
        int column = 0;
        while (column < raster.columns) {
            if (raster.at(column, row) != level) {
                ++column;
                continue;
            }
            int end = column + 1;
            while (end < raster.columns && raster.at(end, row) == level) ++end;
            // The first run of a row starts absolute, the next ones move on from the last one's end.
            if (end_of_last < 0) {
                d += 'M';
                d += std::to_string(column);
                d += ' ';
                d += std::to_string(row);
                d += ".5h";
            } else {
                d += 'm';
                d += std::to_string(column - end_of_last);
                d += " 0h";
            }
            d += std::to_string(end - column);
            end_of_last = end;
            column = end;
        }
    }
    return d;
}

void draw_raster(svg_writer& svg, const level_raster& raster, double x, double y, double cell_width, double cell_height,
                 const std::vector<colour>& palette) {
    svg.open_group(x, y, cell_width, cell_height);
    for (std::size_t k = 0; k < palette.size(); ++k) {
        const std::string d = raster_runs(raster, static_cast<int>(k));
        if (!d.empty()) svg.stroke_path(d, palette[k], 1.0);
    }
    svg.close_group();
}
