#include "input/sizing_scan.hpp"

#include <climits>
#include <cstdio>
#include <string>

#include "input/file_format.hpp"
#include "input/reading_paths.hpp"
#include "input/result_format.hpp"
#include "input/row_parser.hpp"
#include "run/console.hpp"
#include "run/failure.hpp"

namespace {

// The last data row the scan has seen.
struct last_row {
    bool seen = false;
    long long block = 0, column = 0, row = 0;
    long long line = 0;
    double flag = 0.0;  // the last number read, field 43 of a whole row
};

// atoi on the Block text: blanks, an optional sign, leading digits.
long long leading_integer(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && is_space(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') value = value * 10 + (text[i++] - '0');
    return negative ? -value : value;
}

// Reads up to and including the next tab, keeping at most `room` bytes.
// False when the file ends first.
bool read_through_tab(byte_reader& in, std::string* out, std::size_t room) {
    for (;;) {
        const int c = in.get();
        if (c == -1) return false;
        if (c == '\t') return true;
        if (out != nullptr && out->size() < room) out->push_back(static_cast<char>(c));
    }
}

// The 1.x header: the line after RatioFormulation (1.2) or two lines further
// (1.4) is the title candidate; when it does not hold Block the titles stand
// two lines below it.
void skip_fixed_header(byte_reader& in, const char* file_name, const file_format& format) {
    std::string text;
    if (!read_word(in, text, word_room) || !is_result_file_word(text)) {
        if (format.claims_later) unreadable_layout(file_name, format);
        failure_stop("\n " + std::string(file_name) + " is not a valid GenePix output file\n\n");
    }
    const auto ends = [&] { fixed_path_failure(file_name, format, in.line(), header_ends_text); };
    const int to_ratio_record = fixed_header::ratio_record_line - 1;
    if (skip_lines(in, to_ratio_record) != to_ratio_record) ends();
    if (!read_quoted_value(in, text, header_value_room)) ends();
    const int to_candidate = text.find("RatioFormulation") != std::string::npos ? 8 : 10;
    if (skip_lines(in, to_candidate) != to_candidate) ends();
    if (!read_quoted_value(in, text, title_room)) ends();
    if (text.find("Block") == std::string::npos && skip_lines(in, 2) != 2) ends();
}

// One 1.x row byte by byte, as the scan has always read it: Block up to its
// tab, Column and Row, then the numbers of fields 6 to 43 (38 a word).
// Updates `last` when Column and Row are integers and last_number with the
// last number read. False when the file ends inside the row.
bool scan_fixed_row_bytewise(byte_reader& in, last_row& last, double& last_number, bool& not_a_row) {
    const long long line = in.line();
    const int first = in.get();
    if (first == -1) return false;
    std::string block_text(1, static_cast<char>(first));
    if (first != '\t' && !read_through_tab(in, &block_text, block_text_room)) return false;
    if (block_text.back() == '\t') block_text.pop_back();
    if (block_text.size() > block_text_room) block_text.resize(block_text_room);
    int this_column = 0, this_row = 0;
    skip_space(in);
    const bool column_read = read_int(in, this_column);
    skip_space(in);
    const bool row_read = column_read && read_int(in, this_row);
    not_a_row = !row_read && first != '\n';
    if (row_read) last = {true, leading_integer(block_text), this_column, this_row, line};
    in.get();  // the tab after field 3
    if (!read_through_tab(in, nullptr, 0) || !read_through_tab(in, nullptr, 0)) return false;
    std::string word;
    for (int field = fixed_field::first_number; field <= data_fields; ++field) {
        skip_space(in);
        double value;
        if (field == fixed_field::log_ratio)
            read_word(in, word, word_room);
        else if (read_real(in, value))
            last_number = value;
    }
    return true;
}

// The 1.x data rows, up to the first whose last number is not a flag value.
// When a line that is not a data row ends them, its number is kept in
// *ending_line (else 0) so that the rest of the file can be checked.
last_row walk_fixed_rows(byte_reader& in, bool in_place, long long* ending_line) {
    last_row last;
    double last_number = 0.0;
    row_values plain;
    *ending_line = 0;
    while (is_flag_value(last_number)) {
        const long long line = in.line();
        if (in_place && parse_row_in_place(in, plain, {}, {}, false)) {
            last = {true, plain.block, plain.column, plain.row, line};
            last_number = plain.field[fixed_field::flags];
            skip_lines(in, 1);
            continue;
        }
        bool not_a_row = false;
        const bool whole = scan_fixed_row_bytewise(in, last, last_number, not_a_row);
        *ending_line = not_a_row ? line : 0;
        if (!whole) break;
        skip_lines(in, 1);
    }
    last.flag = last_number;
    return last;
}

// Counts the lines left. After a line that ended the data without being a
// data row, a data row further on means the file is damaged there, not ended.
void pass_remaining_lines(byte_reader& in, const char* file_name, const file_format& format, long long ending_line) {
    if (ending_line == 0) {
        while (skip_lines(in, 1) == 1) {}
        return;
    }
    std::string text;
    while (read_line_text(in, text))
        if (is_fixed_data_row(text.data(), text.data() + text.size() - 1))
            row_failure(in, file_name, format, ending_line,
                        "this line is not a data row (its Block, Column and Row are not integers), yet data "
                        "rows follow it; mend or remove the line");
}

// The titled data rows, by the same end-of-data rule; blank lines are passed
// over and a row that breaks the layout stops the run.
last_row walk_titled_rows(byte_reader& in, const char* file_name, const row_layout& layout, bool in_place) {
    last_row last;
    row_values v;
    long long line = 0;
    while (is_flag_value(last.flag)) {
        if (!next_titled_row(in, layout, v, {}, {}, false, in_place, file_name, "", line)) break;
        last = {true, v.block, v.column, v.row, line, v.field[fixed_field::flags]};
    }
    return last;
}

// Block x Column x Row of the last data row, checked against what the file can hold.
layout_size size_from_last_row(const last_row& last, const byte_reader& in, const char* file_name,
                               const file_format& format, int replicate_count) {
    const auto fail = [&](long long line, const std::string& what) { row_failure(in, file_name, format, line, what); };
    const long long lines = in.lines_read();
    if (!last.seen) fail(in.line(), "no data row found after the header");
    const long long block = last.block, column = last.column, row = last.row;
    // Checked in floating point first so the exact product cannot overflow.
    const double rough = static_cast<double>(block) * static_cast<double>(column) * static_cast<double>(row);
    const bool huge = rough > 4.0e18 || rough < -4.0e18;
    const long long spots = huge ? (rough > 0 ? LLONG_MAX : LLONG_MIN) : block * column * row;
    const std::string count =
        huge ? (rough > 0 ? "far more than " + std::to_string(INT_MAX) : "far below 1") : std::to_string(spots);
    const std::string last_text = "the last data row (Block " + std::to_string(block) + ", Column " +
                                  std::to_string(column) + ", Row " + std::to_string(row) + ") gives " + count +
                                  " spots";
    if (spots < 1) fail(last.line, last_text + "; expected at least 1");
    if (spots > INT_MAX) fail(last.line, huge ? last_text : last_text + ", more than " + std::to_string(INT_MAX));
    if (spots > lines) fail(last.line, last_text + ", but the file has only " + std::to_string(lines) + " lines");
    layout_size size;
    size.spot_count = static_cast<int>(spots);
    size.gene_count = size.spot_count / replicate_count;
    size.count_line = last.line;
    size.block = block;
    size.column = column;
    size.row = row;
    size.flag_ended = !is_flag_value(last.flag);
    size.flag = last.flag;
    return size;
}

}  // namespace

layout_size sizing_scan(const char* file_name, int replicate_count, console& out) {
    byte_reader in(file_name);
    if (!in.is_open())
        failure_stop("Can't open the data file: " + std::string(file_name) + ", press any key to exit\n");
    return sizing_scan_stream(in, file_name, replicate_count, out);
}

layout_size sizing_scan_stream(byte_reader& in, const char* file_name, int replicate_count, console& out) {
    return sizing_scan_stream(in, file_name, replicate_count, out, reading_path::in_place);
}

layout_size sizing_scan_stream(byte_reader& in, const char* file_name, int replicate_count, console& out,
                               reading_path path) {
    const bool in_place = path == reading_path::in_place;
    const file_format format = detect_format(in, file_name);
    long long ending_line = 0;
    last_row last;
    switch (format.family) {
        case file_family::titled:
            skip_lines(in, static_cast<int>(format.layout.title_line));
            in.refuse_control_bytes(text_cells(format.layout));
            progress_text(out, "\n Program running...\n");
            last = walk_titled_rows(in, file_name, format.layout, in_place);
            break;
        case file_family::fixed:
            skip_fixed_header(in, file_name, format);
            in.refuse_control_bytes(text_cells(format.layout));
            progress_text(out, "\n Program running...\n");
            last = walk_fixed_rows(in, in_place, &ending_line);
            break;
    }
    // Count the lines left, so a spot count no file of this size can hold is caught.
    pass_remaining_lines(in, file_name, format, ending_line);
    if (in.damaged_line() != 0) damaged_file(file_name, in);
    const layout_size size = size_from_last_row(last, in, file_name, format, replicate_count);
    progress_text(out, "The number of total spots in each file:  %d\n", size.spot_count);
    return size;
}
