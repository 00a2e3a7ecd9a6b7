// The common data row, parsed in place in the reader's buffer. Rows that are
// not plain (a field that is not a number, a line longer than the buffer, an
// end of file inside the row) are left to the byte-wise readers, which name
// what is wrong; for every row this parser takes, they would read the same.
#pragma once

#include <string>
#include <string_view>

#include "input/byte_reader.hpp"
#include "input/result_format.hpp"
#include "numeric/containers.hpp"

// The fields of one row, by 1.x field number (6 to 43; 38 is not kept).
struct row_values {
    int block, column, row;
    double field[data_fields + 1];
};

// Parses the row at the reader's position when its whole line is in the
// buffer. 1.x layout: Block directly followed by a tab, Column and Row, Name
// and ID up to their tabs (printable bytes kept, cut to their room, when
// keep_text), then fields 6 to 43, each a finite number (38 any word), and
// nothing after them. Titled layout: parse_titled_row over the line. On
// success leaves the reader at the line feed; on failure consumes nothing
// (the Name and ID rows may have been written).
bool parse_row_in_place(byte_reader& in, row_values& v, series<char> name, series<char> id, bool keep_text = true,
                        const row_layout& layout = row_layout{});

// Why a titled row was refused.
struct row_fault {
    enum class kind { none, few_fields, many_fields, not_integer, not_number } what = kind::none;
    int column = 0;         // the column at fault
    int field_count = 0;    // fields of the row, for the two count faults
    std::string_view text;  // the cell that is not a number, blanks around it dropped
};

// A row of a titled layout in [p, line_end), *line_end being a line feed:
// tab-parted cells, the column_count first read by the 1.x field each holds
// (Block, Column, Row integers; Name, ID text; Log Ratio and unread columns
// anything; the other 1.x fields finite numbers, blanks around allowed), and
// nothing but empty cells after them. False with the fault otherwise.
bool parse_titled_row(const char* p, const char* line_end, const row_layout& layout, row_values& v, series<char> name,
                      series<char> id, bool keep_text, row_fault& fault);

// What a fault means, naming the column by its title (and the text that is
// not a number), or the fields counted.
std::string describe_row_fault(const row_layout& layout, const row_fault& fault);

// The next row of a titled layout, blank lines passed over, read in place
// when `in_place` and the row allows it, else from a copy of its line: true
// with the row in v and its line number in `line`, false at the end of the
// file. A row that breaks the layout stops the run naming the file and the
// line, and `spot` ("spot 5, ") before the fault.
bool next_titled_row(byte_reader& in, const row_layout& layout, row_values& v, series<char> name, series<char> id,
                     bool keep_text, bool in_place, const char* file_name, const std::string& spot, long long& line);

// Whether [p, line_end), *line_end being a line feed, is a whole 1.x data row.
bool is_fixed_data_row(const char* p, const char* line_end);

// Whether [p, line_end) holds nothing but blanks.
bool is_blank_line(const char* p, const char* line_end);
