// What the quality page draws from the spot tables, condensed while those
// tables are still held: per file an MA density, the slide picture and the
// quartiles of M. A few kilobytes per file, whatever the spot count.
#pragma once

#include <vector>

#include "input/spot_tables.hpp"
#include "numeric/level_raster.hpp"

// Tukey's box: quartiles, and whiskers at the most extreme values within 1.5
// interquartile ranges of the box. count 0: no value.
struct box_summary {
    int count = 0;
    double low = 0, q1 = 0, median = 0, q3 = 0, high = 0;
};

struct file_figures {
    level_raster ma_kept, ma_aside;  // spots kept / set aside by a negative flag, binned on A and M
    int kept = 0, aside = 0, without_m = 0;
    level_raster slide;  // mean M per tile of the slide; see slide_layout
    box_summary box;
};

// How the slide picture places blocks: block b (1-based) sits at block column
// (b-1) % block_columns and block row (b-1) / block_columns; each block holds
// tile_columns x tile_rows tiles of tile x tile spots, with a gap of one tile.
struct slide_layout {
    bool usable = false;
    int blocks = 0, columns = 0, rows = 0;  // the largest block, column and row numbers
    int tile = 1, tile_columns = 0, tile_rows = 0, block_columns = 1;
};

// Bins of the MA pictures.
constexpr int ma_bins_a = 64, ma_bins_m = 40;
constexpr double ma_a_low = 0.0, ma_a_high = 16.0, ma_m_limit = 4.0;
// Colour levels: MA density levels 0..7 (1, 2-3, 4-7, ... spots per bin);
// slide levels 0..10 over M from -slide_m_limit to +slide_m_limit, 11 = no value.
constexpr int density_levels = 8, slide_levels = 11, slide_missing = 11;
constexpr double slide_m_limit = 2.0;

struct html_figures {
    slide_layout layout;
    std::vector<file_figures> files;  // files[f - 1]
};

// Reads f632/b632/f532/b532_median, spot_ratio (normalised), spot_flag and the
// spot layout of every file; call after cor.txt and before spot_ratio is
// released. M = log2 ratio, A = 1/2 log2 of the product of the two
// background-subtracted medians; a spot is kept when its flag is not negative.
void collect_html_figures(const spot_tables& t, html_figures& fig, int threads);

// Quartiles by linear interpolation between order statistics (position
// p (n - 1) of the sorted values); reorders `values`. Example: 1, 2, 3, 4
// gives q1 1.75, median 2.5, q3 3.25.
box_summary box_of(std::vector<double>& values);

// The density level of a bin holding `count` spots (count >= 1): floor(log2).
int density_level(int count);

// Picks the tile size and block arrangement; unusable when a block, column or
// row number is below 1 or the slide would be implausibly large.
slide_layout plan_slide(const spot_tables& t);
