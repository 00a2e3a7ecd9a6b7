#include "plot/keys.hpp"

double swatch_key(svg_writer& svg, double x, double y, double width, double height, const std::vector<colour>& colours,
                  const std::vector<std::string>& labels, const std::string& title) {
    if (!title.empty()) svg.text(x, y - 4, title, anchor::start, 10);
    for (std::size_t k = 0; k < colours.size(); ++k)
        svg.rect(x + width * static_cast<double>(k), y, width, height, colours[k]);
    svg.outline(x, y, width * static_cast<double>(colours.size()), height, colour{150, 150, 150});
    for (std::size_t k = 0; k < labels.size() && k < colours.size(); ++k)
        if (!labels[k].empty())
            svg.text(x + width * (static_cast<double>(k) + 0.5), y + height + 10, labels[k], anchor::middle, 9);
    return x + width * static_cast<double>(colours.size());
}
