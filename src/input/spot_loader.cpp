#include "input/spot_loader.hpp"

#include <cmath>
#include <string>

#include "input/file_format.hpp"
#include "input/reading_paths.hpp"
#include "input/result_format.hpp"
#include "input/row_parser.hpp"

namespace {

class row_reader {
public:
    row_reader(byte_reader& in, const char* file_name, const file_format& format)
        : in_(in), file_name_(file_name), format_(format) {}

    int spot = 0;

    [[noreturn]] void fail(int field, const std::string& what) { fail_at(in_.line(), field, what); }
    // For a line feed already consumed: the row it ended was the line before.
    [[noreturn]] void fail_ended(int c, int field, const std::string& what) {
        fail_at(c == '\n' ? in_.line() - 1 : in_.line(), field, what);
    }
    [[noreturn]] void fail_at(long long line, int field, const std::string& what) {
        row_failure(in_, file_name_, format_, line,
                    "spot " + std::to_string(spot) + ", field " + std::to_string(field) + ": " + what);
    }
    // Stops when the row has ended before `field`.
    void expect_field(int field) {
        const int c = skip_blanks(in_);
        if (c == '\n' || c == -1) fail(field, "the row ends before this field");
    }
    // A number must fill its whole field: "12x4" is not 12.
    bool field_ends() {
        const int c = in_.peek();
        return c == -1 || is_space(c);
    }
    int integer(int field) {
        const std::string text = token_here();
        int value;
        if (!read_int(in_, value) || !field_ends()) not_a_number(field, text, true);
        return value;
    }
    double number(int field) {
        expect_field(field);
        const std::string text = token_here();
        double value;
        if (!read_real(in_, value) || !std::isfinite(value) || !field_ends()) not_a_number(field, text, false);
        return value;
    }
    // The first bytes of the field at the reader, up to white space: enough
    // for a message to quote.
    std::string token_here() {
        constexpr std::ptrdiff_t quoted = 21;
        if (in_.limit() - in_.cursor() < quoted) in_.extend();
        const char* p = in_.cursor();
        const char* const end = in_.limit() - p > quoted ? p + quoted : in_.limit();
        while (p != end && !is_space(static_cast<unsigned char>(*p))) ++p;
        return std::string(in_.cursor(), p);
    }
    [[noreturn]] void not_a_number(int field, const std::string& text, bool whole) {
        row_failure(in_, file_name_, format_, in_.line(),
                    "spot " + std::to_string(spot) + ", " + not_a_number_text(field_title(field), text, whole));
    }
    // Name and ID: up to the tab, printable bytes only, at most `room` kept.
    void text(int field, series<char> out, std::size_t room) {
        std::size_t length = 0;
        for (;;) {
            const int c = in_.get();
            if (c == '\t') break;
            if (c == '\n' || c == -1) fail_ended(c, field, "the row ends inside this field");
            if (c >= 32 && c <= 126 && length < room) out[static_cast<int>(length++)] = static_cast<char>(c);
        }
        out[static_cast<int>(length)] = '\0';
    }

    byte_reader& in_;
    const char* file_name_;
    const file_format& format_;
};

}  // namespace

bool fails_quality_control(double f632, double b632, double f532, double b532, double c) {
    const double q632 = f632 / b632;
    const double q532 = f532 / b532;
    // A not-a-number quotient fails the comparison, as it must.
    return !(q632 >= c) && !(q532 >= c);
}

namespace {

// The Flags value as file_flag holds it.
std::int16_t whole_flag(double flag) {
    const double whole = std::floor(flag);
    return static_cast<std::int16_t>(whole < -32768.0 ? -32768.0 : whole > 32767.0 ? 32767.0 : whole);
}

// The same row byte by byte, stopping the run with a message on what breaks the layout.
void read_row(byte_reader& in, row_reader& row, row_values& v, series<char> name, series<char> id) {
    v.block = row.integer(1);
    row.expect_field(2);
    v.column = row.integer(2);
    row.expect_field(3);
    v.row = row.integer(3);
    if (const int c = in.get(); c != '\t') row.fail_ended(c, 4, "expected a tab after field 3");
    row.text(4, name, name_room);
    row.text(5, id, id_room);
    std::string word;
    for (int field = fixed_field::first_number; field <= data_fields; ++field) {
        if (field == fixed_field::log_ratio) {
            row.expect_field(field);
            read_word(in, word, word_room);
            continue;
        }
        v.field[field] = row.number(field);
    }
    const int c = skip_blanks(in);
    if (c != '\n' && c != -1) row.fail(data_fields, "unexpected text after the last field");
}

// The next titled row; stops the run naming the spot when the file ends first
// or the row breaks the layout. Returns its line.
long long read_titled_row(byte_reader& in, row_reader& row, const row_layout& layout, row_values& v, series<char> name,
                          series<char> id, int spot_count, bool in_place) {
    long long line = 0;
    if (!next_titled_row(in, layout, v, name, id, true, in_place, row.file_name_,
                         "spot " + std::to_string(row.spot) + ", ", line))
        row.fail(1, "the file ends after " + std::to_string(row.spot - 1) + " of " + std::to_string(spot_count) +
                        " data rows");
    return line;
}

// The next 1.x row, in place when it is plain, else byte by byte. Returns its line.
long long read_fixed_row(byte_reader& in, row_reader& row, row_values& v, series<char> name, series<char> id,
                         int spot_count, bool in_place) {
    if (skip_space(in) == -1)
        row.fail(1, "the file ends after " + std::to_string(row.spot - 1) + " of " + std::to_string(spot_count) +
                        " data rows");
    const long long line = in.line();
    if (!in_place || !parse_row_in_place(in, v, name, id)) read_row(in, row, v, name, id);
    return line;
}

// The data rows from the reader on (blank lines and other text not counted).
long long count_rows_left(byte_reader& in, const row_layout& layout) {
    long long count = 0;
    std::string text;
    row_values v;
    while (read_line_text(in, text)) {
        const char* const begin = text.data();
        const char* const end = begin + text.size() - 1;
        row_fault fault;
        count += layout.titled ? parse_titled_row(begin, end, layout, v, {}, {}, false, fault)
                               : is_fixed_data_row(begin, end);
    }
    return count;
}

std::string position_text(long long block, long long column, long long row) {
    return "Block " + std::to_string(block) + ", Column " + std::to_string(column) + ", Row " + std::to_string(row);
}

[[noreturn]] void layout_mismatch(const row_reader& row, const run_settings& s, long long line, const std::string& here,
                                  const std::string& in_file_1) {
    row_failure(row.in_, row.file_name_, row.format_, line,
                here + " where " + s.file_name(1) + " has " + in_file_1 +
                    ": the files come from different array layouts (--allow-layout-mismatch merges them anyway)");
}

void load_rows(byte_reader& in, int f, const run_settings& settings, spot_tables& t, bool in_place, file_order order) {
    const file_format& format = t.headers[static_cast<std::size_t>(f)].format;
    const row_layout& layout = format.layout;
    row_reader row(in, settings.file_name(f), format);
    in.refuse_control_bytes(text_cells(layout));
    const bool last_file = f == t.file_count;
    const bool compare = settings.check_layout && f > 1;
    const bool side_by_side = order == file_order::side_by_side;
    const bool keep_texts = last_file || !side_by_side;
    const bool keep_positions = (last_file && !(side_by_side && compare)) || (f == 1 && settings.check_layout);
    char name_scratch[name_room + 1];
    char id_scratch[id_room + 1];
    row_values v;
    long long line = 0;
    for (int s = 1; s <= t.spot_count; ++s) {
        row.spot = s;
        const series<char> name = keep_texts ? t.gene_name[s] : series<char>(name_scratch, 0, name_room);
        const series<char> id = keep_texts ? t.gene_id[s] : series<char>(id_scratch, 0, id_room);
        line = layout.titled ? read_titled_row(in, row, layout, v, name, id, t.spot_count, in_place)
                             : read_fixed_row(in, row, v, name, id, t.spot_count, in_place);
        // Until the last file, the positions held are file 1's when comparing.
        if (compare && (v.block != t.spot_block[s] || v.column != t.spot_column[s] || v.row != t.spot_row[s]))
            layout_mismatch(row, settings, line, position_text(v.block, v.column, v.row),
                            position_text(t.spot_block[s], t.spot_column[s], t.spot_row[s]));
        if (keep_positions) {
            t.spot_block[s] = v.block;
            t.spot_column[s] = v.column;
            t.spot_row[s] = v.row;
        }
        t.f632_median[f][s] = v.field[fixed_field::red_median];
        t.b632_median[f][s] = v.field[fixed_field::red_background];
        t.f532_median[f][s] = v.field[fixed_field::green_median];
        t.b532_median[f][s] = v.field[fixed_field::green_background];
        t.spot_ratio[f][s] = v.field[fixed_field::ratio[static_cast<std::size_t>(settings.ratio_approach)]];
        double flag = v.field[fixed_field::flags];
        t.file_flag[f][s] = whole_flag(flag);
        if (t.with_places) {
            t.spot_x[f][s] = v.field[fixed_field::x];
            t.spot_y[f][s] = v.field[fixed_field::y];
        }
        if (fails_quality_control(v.field[fixed_field::red_median], v.field[fixed_field::red_background],
                                  v.field[fixed_field::green_median], v.field[fixed_field::green_background],
                                  settings.qc_constant))
            flag = failed_quality_control;
        t.spot_flag[f][s] = flag;
    }
    const bool more_rows = settings.check_layout && skip_space(in) != -1;
    if (f == 1 && settings.check_layout) t.file_1_has_more_rows = more_rows;
    if (compare && more_rows && !t.file_1_has_more_rows)
        layout_mismatch(row, settings, in.line(), "a data row",
                        "none (its last data row is spot " + std::to_string(t.spot_count) + ")");
    // Rows past the spots read are not read, but a damaged part there still
    // means a damaged file.
    t.past[static_cast<std::size_t>(f)].stop_line = line;
    if (settings.warn_unread_rows)
        t.past[static_cast<std::size_t>(f)].rows = count_rows_left(in, layout);
    else
        in.skip_to_end();
    if (in.damaged_line() != 0) damaged_file(settings.file_name(f), in);
    in.close();
}

}  // namespace

void load_spot_records(byte_reader& in, int f, const run_settings& settings, spot_tables& t) {
    load_rows(in, f, settings, t, true, file_order::one_after_another);
}

void load_spot_records(byte_reader& in, int f, const run_settings& settings, spot_tables& t, file_order order) {
    load_rows(in, f, settings, t, true, order);
}

void load_spot_records(byte_reader& in, int f, const run_settings& settings, spot_tables& t, reading_path path) {
    load_rows(in, f, settings, t, path == reading_path::in_place, file_order::one_after_another);
}
