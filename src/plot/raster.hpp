// A grid of levels drawn compactly:
// one path per level made of horizontal strokes, one stroke per run of equal
// cells in a row. A picture of tens of thousands of cells stays a few
// kilobytes, where one <rect> per cell would take megabytes.
#pragma once

#include <vector>

#include "numeric/level_raster.hpp"
#include "plot/svg.hpp"

// Draws the raster with its top left corner at (x, y), each cell cell_width by
// cell_height; level k is drawn in palette[k] (levels beyond the palette are
// not drawn). Row 0 is the top row.
void draw_raster(svg_writer& svg, const level_raster& raster, double x, double y, double cell_width, double cell_height,
                 const std::vector<colour>& palette);

// The strokes of one level as path data in cell units: per row "M<column>
// <row+0.5>h<run>" for the first run, then "m<gap> 0h<run>" for each next one.
std::string raster_runs(const level_raster& raster, int level);
