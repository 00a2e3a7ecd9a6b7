#include "input/sizing_scan.hpp"

#include <climits>
#include <cstdio>
#include <string>

#include "input/result_format.hpp"
#include "input/row_parser.hpp"
#include "numeric/console_text.hpp"
#include "numeric/run_end.hpp"

namespace {

[[noreturn]] void header_ends(byte_reader& in, const char* file_name) {
    layout_failure(file_name, in.line(), "the file ends inside the header, before the first data row");
}

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

}  // namespace

layout_size sizing_scan(const char* file_name, int replicate_count) {
    byte_reader in(file_name);
    if (!in.is_open()) {
        failure_text("Can't open the data file: %s, press any key to exit\n", file_name);
        failure_stop(1);
    }
    return sizing_scan_stream(in, file_name, replicate_count);
}

layout_size sizing_scan_stream(byte_reader& in, const char* file_name, int replicate_count, bool in_place) {
    std::string text;
    if (!read_word(in, text, word_room) || !is_result_file_word(text)) {
        failure_text("\n %s is not a valid GenePix output file\n", file_name);
        failure_text("\n");
        failure_stop(1);
    }
    if (skip_lines(in, 18) != 18) header_ends(in, file_name);
    if (!read_quoted_value(in, text, header_value_room)) header_ends(in, file_name);
    const int to_candidate = text.find("RatioFormulation") != std::string::npos ? 8 : 10;
    if (skip_lines(in, to_candidate) != to_candidate) header_ends(in, file_name);
    if (!read_quoted_value(in, text, title_room)) header_ends(in, file_name);
    if (text.find("Block") == std::string::npos && skip_lines(in, 2) != 2) header_ends(in, file_name);

    progress_text("\n Program running...\n");

    double last_number = 0.0;
    bool have_row = false;
    long long block = 0, column = 0, row = 0;
    long long row_line = 0;
    std::string block_text;
    std::string word;
    row_values plain;
    while (is_flag_value(last_number)) {
        const long long line = in.line();
        if (in_place && parse_row_in_place(in, plain, {}, {}, false)) {
            have_row = true;
            block = plain.block;
            column = plain.column;
            row = plain.row;
            row_line = line;
            last_number = plain.field[data_fields];
            skip_lines(in, 1);
            continue;
        }
        const int first = in.get();
        if (first == -1) break;
        block_text.assign(1, static_cast<char>(first));
        if (first != '\t' && !read_through_tab(in, &block_text, block_text_room)) break;
        if (block_text.back() == '\t') block_text.pop_back();
        if (block_text.size() > block_text_room) block_text.resize(block_text_room);
        int this_column = 0, this_row = 0;
        skip_space(in);
        const bool column_read = read_int(in, this_column);
        skip_space(in);
        const bool row_read = column_read && read_int(in, this_row);
        if (row_read) {
            have_row = true;
            block = leading_integer(block_text);
            column = this_column;
            row = this_row;
            row_line = line;
        }
        in.get();  // the tab after field 3
        if (!read_through_tab(in, nullptr, 0) || !read_through_tab(in, nullptr, 0)) break;
        for (int field = 6; field <= data_fields; ++field) {
            skip_space(in);
            double value;
            if (field == 38)
                read_word(in, word, word_room);
            else if (read_real(in, value))
                last_number = value;
        }
        skip_lines(in, 1);
    }
    // Count the lines left, so a spot count no file of this size can hold is caught.
    while (skip_lines(in, 1) == 1) {
    }
    const long long lines = in.lines_read();

    if (!have_row) layout_failure(file_name, in.line(), "no data row found after the header");
    // Checked in floating point first so the exact product cannot overflow.
    const double rough = static_cast<double>(block) * static_cast<double>(column) * static_cast<double>(row);
    const bool huge = rough > 4.0e18 || rough < -4.0e18;
    const long long spots = huge ? (rough > 0 ? LLONG_MAX : LLONG_MIN) : block * column * row;
    const std::string count = huge ? (rough > 0 ? "far more than " + std::to_string(INT_MAX) : "far below 1")
                                   : std::to_string(spots);
    const std::string last_row = "the last data row (Block " + std::to_string(block) + ", Column " +
                                 std::to_string(column) + ", Row " + std::to_string(row) + ") gives " + count +
                                 " spots";
    if (spots < 1) layout_failure(file_name, row_line, last_row + "; expected at least 1");
    if (spots > INT_MAX)
        layout_failure(file_name, row_line, huge ? last_row : last_row + ", more than " + std::to_string(INT_MAX));
    if (spots > lines)
        layout_failure(file_name, row_line, last_row + ", but the file has only " + std::to_string(lines) + " lines");

    layout_size size;
    size.spot_count = static_cast<int>(spots);
    size.gene_count = size.spot_count / replicate_count;
    progress_text("The number of total spots in each file:  %d\n", size.spot_count);
    return size;
}
