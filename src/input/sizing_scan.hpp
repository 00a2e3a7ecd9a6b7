// The sizing scan of file 1: checks that it is a result file, steps over its
// header, walks its data rows and takes the spot count from the last row.
#pragma once

#include "input/byte_reader.hpp"
#include "run/console.hpp"

struct layout_size {
    int spot_count;
    int gene_count;  // spot_count / replicate_count, truncated

    // Where the count comes from: the last data row the scan read, and
    // whether its flag, none of the five flag values, ended the data there.
    long long count_line = 0;
    long long block = 0, column = 0, row = 0;
    bool flag_ended = false;
    double flag = 0.0;
};

// Opens file_name, scans it and prints "Program running" and the spot count.
// Ends the run through a failure stop when the file cannot be opened, is not a
// result file, or holds no usable spot count.
layout_size sizing_scan(const char* file_name, int replicate_count, console& out);

// The same scan over an open reader; file_name only names the file in messages.
layout_size sizing_scan_stream(byte_reader& in, const char* file_name, int replicate_count, console& out);
