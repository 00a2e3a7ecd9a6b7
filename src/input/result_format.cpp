#include "input/result_format.hpp"

#include <cstdio>

#include "run/failure.hpp"

std::string not_a_number_text(std::string_view title, std::string_view text, bool whole) {
    constexpr std::size_t shown = 20;
    std::string quoted;
    for (std::size_t i = 0; i < text.size() && i < shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        quoted.push_back(c >= 32 && c <= 126 ? static_cast<char>(c) : '?');
    }
    if (text.size() > shown) quoted += "...";
    return "column \"" + std::string(title) + "\": \"" + quoted + "\" is not a " + (whole ? "whole number" : "number");
}

void layout_failure(const char* file, long long line, const std::string& what) {
    failure_stop("\n " + std::string(file) + ", line " + std::to_string(line) + ": " + what + "\n");
}

std::vector<bool> text_cells(const row_layout& layout) {
    std::vector<bool> cells(static_cast<std::size_t>(layout.column_count) + 1, false);
    for (int column = 1; column <= layout.column_count; ++column) {
        const int field = layout.titled ? layout.field_of_column[static_cast<std::size_t>(column)] : column;
        cells[static_cast<std::size_t>(column)] = (layout.titled && field == 0) || field == fixed_field::name ||
                                                  field == fixed_field::id || field == fixed_field::log_ratio;
    }
    return cells;
}

void damaged_file(const char* file, const byte_reader& in) {
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned>(in.damaged_byte()));
    layout_failure(file, in.damaged_line(),
                   std::string("the file is damaged here: the line holds the byte ") + byte +
                       ", which no text file holds; use an undamaged copy of the file");
}

void line_failure(const byte_reader& in, const char* file, long long line, const std::string& what) {
    if (in.damaged_line() != 0 && in.damaged_line() <= line) damaged_file(file, in);
    layout_failure(file, line, what);
}
