// The parts of report.html, each drawing one section of the page from what
// analysis/ computed, and the small text helpers they share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plot/svg.hpp"
#include "report/html_inputs.hpp"

// Numbers as the reports write them: fixed decimals, "nan" for not-a-number.
std::string fixed(double value, int decimals);
std::string integer(long long value);
// 2.000000 as "2.0", 0.125000 as "0.125".
std::string short_fixed(double value);
std::string escaped(std::string_view text);
// "1. slide1.gpr": a file as the pictures name it.
std::string numbered_label(const run_settings& s, int f);
// Names parted by commas: "a", "a and b", "a, b and c".
std::string listed(const std::vector<std::string>& names);

void caption(std::string& page, std::string_view text);

// The channels as the page names them: "635 nm" and "532 nm" when every file
// shares one pair (uniform), else the first file's pair.
struct page_channels {
    bool uniform = true;
    std::string red, green;
};
page_channels channels_of(const spot_tables& t);
// "R = F635, G = F532" for file f.
std::string channel_names(const spot_tables& t, int f);

// Colours k / (levels - 1) of a scale, from `from` (0 to 1) so the first level stays visible on white.
std::vector<colour> palette_of(colour (*scale)(double), int levels, double from = 0.0);

// File numbers under side-by-side charts: every file when there is room, else every k-th.
void file_labels(svg_writer& svg, int files, double x0, double slot, double y);
// Width of one file's slot in the side-by-side charts.
double slot_width(int files);

// The sections, in page order.
void suspect_section(std::string& page, const run_settings& s, const slide_quality& q);
void run_section(std::string& page, const run_settings& s, const spot_tables& t, const merge_tables& m,
                 const html_figures& fig, const html_inputs& extra);
void heat_map_section(std::string& page, const run_settings& s, const spot_tables& t, const correlation_tables& c,
                      const html_figures& fig);
void ma_section(std::string& page, const run_settings& s, const spot_tables& t, const html_figures& fig);
void slide_section(std::string& page, const run_settings& s, const spot_tables& t, const html_figures& fig);
void box_section(std::string& page, const spot_tables& t, const html_figures& fig);
void gene_section(std::string& page, const spot_tables& t, const merge_tables& m, const html_inputs& extra);
