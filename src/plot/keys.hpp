// Colour keys: what each colour of a picture stands for, drawn beside it.
#pragma once

#include <string>
#include <vector>

#include "plot/svg.hpp"

// Swatches side by side from (x, y), each width x height, swatch k in
// colours[k], outlined in grey, with labels[k] (empty: none) centred under it
// and `title` (empty: none) above the first. Returns the x after the last swatch.
double swatch_key(svg_writer& svg, double x, double y, double width, double height, const std::vector<colour>& colours,
                  const std::vector<std::string>& labels, const std::string& title = "");
