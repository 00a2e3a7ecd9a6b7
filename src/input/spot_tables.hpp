// The shared data model of a run: the per-file, per-spot tables, each an
// offset-indexed container (files and spots from 1).
#pragma once

#include <cstdint>
#include <vector>

#include "input/header_walk.hpp"
#include "numeric/containers.hpp"

struct spot_tables {
    // The shape of the tables.
    int file_count = 0;
    int replicate_count = 0;
    int spot_count = 0;
    int gene_count = 0;

    // Whether data rows follow spot_count rows in file 1 (checked only when
    // layouts are compared).
    bool file_1_has_more_rows = false;

    // Per file (rows) and spot (columns).
    dmatrix_t f632_median, f532_median, b632_median, b532_median;
    dmatrix_t spot_flag, spot_ratio;
    // The file's own Flags value, before the test against C (whose failure
    // spot_flag marks -90), held to -32768..32767 below its integer part, so
    // that "below N" reads the same for every whole N in that range.
    offset_matrix<std::int16_t> file_flag;
    // The spot's X and Y on the slide (micrometres), kept when with_places
    // is set before the tables are created (the page of plots needs them).
    bool with_places = false;
    dmatrix_t spot_x, spot_y;

    // Per spot: the values of the last file loaded.
    ivector_t spot_block, spot_row, spot_column;
    cmatrix_t gene_name;  // 1..spot_count x 0..500
    cmatrix_t gene_id;    // 1..spot_count x 0..50

    // Per file, 1..file_count (0 unused): what its header walk read, kept by
    // the loader; until then a fixed layout and factors of 0.0.
    std::vector<file_header> headers;

    // Per file, 1..file_count: the data rows it holds past the spot_count
    // rows read, and the line of the last row read (counted only when the
    // settings ask for the warning).
    struct rows_past {
        long long rows = 0;
        long long stop_line = 0;
    };
    std::vector<rows_past> past;
};

// Creates every table, sized by file_count and spot_count.
void create_spot_tables(spot_tables& t);

// Releases spot_ratio once data.txt is written and the genes hold their copy.
void release_ratios(spot_tables& t);

// Releases every table still held.
void release_spot_tables(spot_tables& t);
