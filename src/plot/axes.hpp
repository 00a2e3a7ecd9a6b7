// Axes around a plot area: an outline, round tick values on the left and
// bottom edges, and the two axis titles; colour keys beside a picture.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plot/scales.hpp"
#include "plot/svg.hpp"

// A tick value as text: at most `decimals` decimals, trailing zeros dropped.
std::string tick_text(double value, int decimals);

// x maps data onto [area.x, area.x + area.width], y onto the area's height
// (bottom to top); about `ticks` ticks on each axis, none on an axis whose
// scale has no extent.
void draw_axes(svg_writer& svg, const frame& area, const linear_scale& x, const linear_scale& y,
               std::string_view x_title, std::string_view y_title, int ticks = 5);

// Swatches side by side from (x, y), each width x height, swatch k in
// colours[k], outlined in grey, with labels[k] (empty: none) centred under it
// and `title` (empty: none) above the first. Returns the x after the last swatch.
double swatch_key(svg_writer& svg, double x, double y, double width, double height, const std::vector<colour>& colours,
                  const std::vector<std::string>& labels, const std::string& title = "");
