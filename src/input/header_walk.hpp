// The header walk of one file at loading: opens it, checks it, echoes header
// line 11, reads the five normalisation factors and leaves the reader at the
// first data row.
#pragma once

#include "input/byte_reader.hpp"
#include "input/spot_tables.hpp"
#include "run/console.hpp"

// File h is read from `name`. Fills norm_factor[h][1..5] and
// header_line11_text[h] and prints the file's console lines. Ends the run through a failure stop when the file cannot be
// opened, is not a result file, ends inside its header, or has a factor line
// that cannot be read.
byte_reader header_walk(int h, const char* name, spot_tables& t, console& out);

// The same walk over an open reader.
void header_walk_stream(byte_reader& in, int h, const char* name, spot_tables& t, console& out);
