// The shared data model of a run: run-wide values and the per-file, per-spot
// tables, each an offset-indexed container (files and spots from 1).
#pragma once

#include <vector>

#include "input/result_layout.hpp"
#include "numeric/containers.hpp"

struct spot_tables {
    // Run-wide values.
    int file_count = 0;
    int replicate_count = 0;
    int spot_count = 0;
    int gene_count = 0;
    int ratio_approach = 0;
    double qc_constant = 0.0;

    cmatrix_t file_names;  // 1..file_count x 0..50, made by the dialogue

    // Per file (rows) and spot (columns).
    dmatrix_t f632_median, f532_median, b632_median, b532_median;
    dmatrix_t spot_flag, spot_ratio;

    // Per spot: the values of the last file loaded.
    ivector_t spot_block, spot_row, spot_column;
    cmatrix_t gene_name;  // 1..spot_count x 0..500
    cmatrix_t gene_id;    // 1..spot_count x 0..50

    // Per file.
    cmatrix_t header_line11_text;  // 1..file_count x 0..400
    dmatrix_t norm_factor;         // 1..file_count x 0..5, column = ratio approach
    std::vector<row_layout> file_layout;  // by file, set by the header walk; 1.x when absent
};

constexpr int file_name_room = 50;

// Creates every table but file_names, sized by file_count and spot_count, and
// sets the five normalisation factors of every file to 0.0.
void create_spot_tables(spot_tables& t);

// Releases every table still held, file_names included.
void release_spot_tables(spot_tables& t);
