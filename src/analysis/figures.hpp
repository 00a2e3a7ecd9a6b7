// What the quality page draws from the spot tables, condensed while those
// tables are still held: per file its MA pictures with their loess curves,
// the slide picture and the quartiles of M. A few kilobytes per file,
// whatever the spot count.
#pragma once

#include <vector>

#include "analysis/ma_density.hpp"
#include "analysis/normalise.hpp"
#include "input/spot_tables.hpp"
#include "numeric/level_raster.hpp"
#include "run/settings.hpp"

// Tukey's box: quartiles, and whiskers at the most extreme values within 1.5
// interquartile ranges of the box. count 0: no value.
struct box_summary {
    int count = 0;
    double low = 0, q1 = 0, median = 0, q3 = 0, high = 0;
};

// Spots of a file whose ratio, as the file holds it, is 0 or 100000 (GenePix's
// ratio for a zero denominator), counted where cor.txt takes them: every spot
// but those below the flag cutoff, flagged or not. Under the header factors
// they enter the raw-scale correlations.
struct extreme_ratios {
    int zero = 0, hundred_thousand = 0;
};

struct file_figures {
    ma_density kept;    // spots not set aside, M as normalised.txt holds it
    ma_density before;  // the same spots' M before the loess curve was taken out; empty unless a loess method
    ma_density aside;   // spots set aside, without a curve
    int without_m = 0;  // spots drawn nowhere: no M or no A
    // Spots set aside by the flag cutoff have no M; they are drawn at log2(R/G)
    // of their background-subtracted medians, not normalised.
    int aside_from_medians = 0;
    level_raster slide;  // mean M per tile of the slide; see slide_layout
    box_summary box;     // M of the kept spots
};

// How the slide picture places blocks: block b (1-based) sits at block column
// (b-1) % block_columns and block row (b-1) / block_columns; each block holds
// tile_columns x tile_rows tiles of tile x tile spots, with a gap of one tile.
struct slide_layout {
    bool usable = false;
    int blocks = 0, columns = 0, rows = 0;  // the largest block, column and row numbers
    int tile = 1, tile_columns = 0, tile_rows = 0, block_columns = 1;
};

// Slide levels 0..10 over M from -slide_m_limit to +slide_m_limit, 11 = no value.
constexpr int slide_levels = 11, slide_missing = 11;
constexpr double slide_m_limit = 2.0;

// The MA grid: finer for a few files, whose pictures are drawn large.
constexpr int many_files = 20;
struct ma_grid {
    int columns = 64, rows = 40;
};
ma_grid ma_grid_for(int files);

struct html_figures {
    slide_layout layout;
    ma_grid grid;
    bool with_before = false;           // the pictures before the loess curve was taken out are filled
    std::vector<file_figures> files;    // files[f - 1]
    std::vector<extreme_ratios> marks;  // marks[f - 1], from count_extreme_ratios
};

// Whether a spot is set aside as merge.txt sets it aside for its flag: a
// negative flag (the quality test against C included); with a flag cutoff,
// below the cutoff or failing the quality test.
bool set_aside_by_flag(const run_settings& s, const spot_tables& t, int f, int spot);

// Counts each file's extreme ratios into fig.marks. Reads spot_ratio as
// loaded, so call it before normalise.
void count_extreme_ratios(const run_settings& s, const spot_tables& t, html_figures& fig);

// Per file, on s.threads threads: the MA pictures from ma.m and ma.a (and
// ma.raw_m when held), A = 1/2 (log2 R + log2 G); the slide picture and box
// of M from the kept spots; reads spot_flag, file_flag, the medians and the
// spot layout. Call while the tables and ma are held.
void collect_html_figures(const run_settings& s, const spot_tables& t, const ma_tables& ma, html_figures& fig);

// Quartiles by linear interpolation between order statistics (position
// p (n - 1) of the sorted values); reorders `values`. Example: 1, 2, 3, 4
// gives q1 1.75, median 2.5, q3 3.25.
box_summary box_of(std::vector<double>& values);

// Picks the tile size and block arrangement; unusable when a block, column or
// row number is below 1 or the slide would be implausibly large.
slide_layout plan_slide(const spot_tables& t);
