// What the readers share about result files: the magic word, the room of each
// text, the flag values, and the message for a file that breaks the layout.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "input/byte_reader.hpp"
#include "input/result_layout.hpp"

constexpr std::size_t word_room = 49;           // first word, field 38
constexpr std::size_t header_value_room = 399;  // quoted header values
constexpr std::size_t title_room = 49;          // column-title candidate
constexpr std::size_t block_text_room = 9;      // Block text of the sizing scan
constexpr std::size_t name_room = 500;          // Name field
constexpr std::size_t id_room = 50;             // ID field

inline bool is_result_file_word(const std::string& word) { return word == "ATF"; }

// The flag values a data row may carry; exact comparison.
inline bool is_flag_value(double v) { return v == 0.0 || v == -50.0 || v == 100.0 || v == -75.0 || v == -100.0; }

// What a message says of a cell that should hold a number, or a whole number
// when `whole`: `column "<title>": "<text>" is not a number`, the text cut to
// 20 characters ("..." after a longer one), a byte that is not printable
// shown as '?'.
std::string not_a_number_text(std::string_view title, std::string_view text, bool whole);

// A failure stop with status 1 whose text is "\n <file>, line <line>: <what>\n".
[[noreturn]] void layout_failure(const char* file, long long line, const std::string& what);

// The cells of a row (from 1, parted by tabs) that hold text the program does
// not read as a number: Name, ID, Log Ratio, and in a titled layout every
// column it does not read. A byte no text holds may stand there (real files
// carry control characters in their gene names), NUL excepted.
std::vector<bool> text_cells(const row_layout& layout);

// The failure stop for the damaged line `in` has found.
[[noreturn]] void damaged_file(const char* file, const byte_reader& in);

// layout_failure at `line`, unless `in` has found the file damaged at or
// before that line: the damage is what stops the run then.
[[noreturn]] void line_failure(const byte_reader& in, const char* file, long long line, const std::string& what);

// What every reader says of a file that ends before its first data row.
inline constexpr const char* header_ends_text = "the file ends inside the header, before the first data row";
[[noreturn]] inline void header_ends(const char* file, long long line) { layout_failure(file, line, header_ends_text); }
