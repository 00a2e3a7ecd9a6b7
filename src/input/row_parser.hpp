// The common data row, parsed in place in the reader's buffer. Rows that are
// not plain (a field that is not a number, a line longer than the buffer, an
// end of file inside the row) are left to the byte-wise readers, which name
// what is wrong; for every row this parser takes, they would read the same.
#pragma once

#include "input/byte_reader.hpp"
#include "input/result_format.hpp"
#include "numeric/containers.hpp"

// The fields of one row, by field number (6 to 43; 38 is not kept).
struct row_values {
    int block, column, row;
    double field[data_fields + 1];
};

// Parses the row at the reader's position when its whole line is in the
// buffer: Block directly followed by a tab, Column and Row, Name and ID up to
// their tabs (printable bytes kept, cut to their room, when keep_text), then
// fields 6 to 43, each a finite number (38 any word), and nothing after them.
// On success leaves the reader at the line feed; on failure consumes nothing
// (the Name and ID rows may have been written).
bool parse_row_in_place(byte_reader& in, row_values& v, series<char> name, series<char> id, bool keep_text = true);
