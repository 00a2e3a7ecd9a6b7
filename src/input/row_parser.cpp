#include "input/row_parser.hpp"

#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Fields whose value is used; the others are only checked.
constexpr bool is_kept(int field) {
    return field == fixed_field::x || field == fixed_field::y || field == fixed_field::red_median ||
           field == fixed_field::red_background || field == fixed_field::green_median ||
           field == fixed_field::green_background ||
           (field >= fixed_field::ratio[1] && field <= fixed_field::ratio[4]) || field == fixed_field::ratio[5] ||
           field == fixed_field::flags;
}
constexpr auto kept = [] {
    std::array<bool, data_fields + 1> table{};
    for (int field = 0; field <= data_fields; ++field) table[static_cast<std::size_t>(field)] = is_kept(field);
    return table;
}();

// Byte classes of the in-place parser.
enum : unsigned char { digit_byte = 1, sign_byte = 2, end_byte = 4 };
constexpr auto byte_class = [] {
    std::array<unsigned char, 256> table{};
    for (int c = '0'; c <= '9'; ++c) table[static_cast<std::size_t>(c)] = digit_byte;
    table['+'] = table['-'] = sign_byte;
    for (unsigned char c : {' ', '\t', '\r', '\v', '\f', '\n'}) table[c] = end_byte;
    return table;
}();
unsigned char class_of(const char* p) { return byte_class[static_cast<unsigned char>(*p)]; }

// The commonest number, [sign] digits [. digits] up to the field's end, read
// without bounds checks (the line feed ends the line). Sets value when it is
// exact in one operation, and moves p past it; false leaves the general
// reader to it.
template <bool keep>
bool plain_number(const char*& p, double* value) {
    const char* q = p;
    const bool negative = *q == '-';
    if (class_of(q) == sign_byte) ++q;
    const char* const first = q;
    std::uint64_t mantissa = 0;
    int significant = 0;
    for (; class_of(q) == digit_byte; ++q)
        if (keep && (mantissa != 0 || *q != '0')) {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*q - '0');
            ++significant;
        }
    const char* const point = q;
    int scale = 0;
    if (*q == '.')
        for (++q; class_of(q) == digit_byte; ++q) {
            --scale;
            if (keep && (mantissa != 0 || *q != '0')) {
                mantissa = mantissa * 10 + static_cast<std::uint64_t>(*q - '0');
                ++significant;
            }
        }
    const bool digits = point > first || q > point + 1;
    if (!digits || class_of(q) != end_byte || q - first > 300) return false;
    if (keep) {
        double v;
        if (significant > 19 || !exact_decimal(mantissa, scale, v)) return false;
        *value = negative ? -v : v;
    }
    p = q;
    return true;
}

bool is_blank_byte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
// Blanks that do not part cells of a titled row.
bool is_cell_blank(char c) { return c == ' ' || c == '\r' || c == '\v' || c == '\f'; }

// An int, [sign] digits, ended by a blank or the line feed; moves p past it.
bool read_integer(const char*& p, int& out) {
    const char* q = p;
    const bool negative = *q == '-';
    if (*q == '-' || *q == '+') ++q;
    long long value = 0;
    int digits = 0;
    for (; *q >= '0' && *q <= '9'; ++q) {
        if (++digits > 10) return false;
        value = value * 10 + (*q - '0');
    }
    if (digits == 0 || !(is_blank_byte(*q) || *q == '\n')) return false;
    value = negative ? -value : value;
    if (value > INT_MAX || value < INT_MIN) return false;
    out = static_cast<int>(value);
    p = q;
    return true;
}

// A finite number filling the rest of its field up to a blank or the line
// feed; kept fields store it. Moves p past it.
bool read_number(const char*& p, const char* line_end, int field, row_values& v) {
    if (kept[static_cast<std::size_t>(field)] ? plain_number<true>(p, &v.field[field])
                                              : plain_number<false>(p, nullptr))
        return true;
    const char* q = p;
    if (kept[static_cast<std::size_t>(field)]) {
        double x;
        if (!parse_real(q, line_end, x) || !std::isfinite(x)) return false;
        v.field[field] = x;
    } else if (!skip_finite_real(q, line_end)) {
        return false;
    }
    if (!(is_blank_byte(*q) || *q == '\n')) return false;
    p = q;
    return true;
}

// Printable bytes of [p, end) into out, at most room of them, when keep_text.
void copy_text(const char* p, const char* end, series<char> out, std::size_t room, bool keep_text) {
    if (!keep_text) return;
    std::size_t length = 0;
    for (; p != end; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 32 && c <= 126 && length < room) out[static_cast<int>(length++)] = static_cast<char>(c);
    }
    out[static_cast<int>(length)] = '\0';
}

// Text up to the next tab (consumed); false when the line ends first.
bool fixed_text(const char*& p, const char* line_end, series<char> out, std::size_t room, bool keep_text) {
    const char* tab = static_cast<const char*>(std::memchr(p, '\t', static_cast<std::size_t>(line_end - p)));
    if (tab == nullptr) return false;
    copy_text(p, tab, out, room, keep_text);
    p = tab + 1;
    return true;
}

// Fields 1 to 43 of a 1.x row in [p, line_end).
bool parse_fixed_row(const char* p, const char* line_end, row_values& v, series<char> name, series<char> id,
                     bool keep_text) {
    auto next_field = [&] {
        while (is_blank_byte(*p)) ++p;
        return *p != '\n';
    };
    // Field 1 ends at its tab and fits the sizing scan's 9 bytes, so both
    // readers see the same Block.
    const char* const row_start = p;
    if (!read_integer(p, v.block) || *p != '\t' || p - row_start > 9) return false;
    if (!next_field() || !read_integer(p, v.column) || !next_field() || !read_integer(p, v.row)) return false;
    if (*p++ != '\t') return false;
    if (!fixed_text(p, line_end, name, name_room, keep_text) || !fixed_text(p, line_end, id, id_room, keep_text))
        return false;
    for (int field = fixed_field::first_number; field <= data_fields; ++field) {
        if (!next_field()) return false;
        if (field == fixed_field::log_ratio) {
            while (!is_space(static_cast<unsigned char>(*p))) ++p;
            continue;
        }
        if (!read_number(p, line_end, field, v)) return false;
    }
    while (is_blank_byte(*p)) ++p;
    return p == line_end;
}

}  // namespace

namespace {

// The cell at p of a titled row holding 1.x field `field`, read up to the tab
// or the line feed that ends it; moves p there.
row_fault::kind read_titled_cell(const char*& p, const char* line_end, int field, row_values& v, series<char> name,
                                 series<char> id, bool keep_text) {
    if (field == 0 || field == fixed_field::log_ratio) {
        while (*p != '\t' && *p != '\n') ++p;
        return row_fault::kind::none;
    }
    if (field == fixed_field::name || field == fixed_field::id) {
        const char* const start = p;
        while (*p != '\t' && *p != '\n') ++p;
        copy_text(start, p, field == fixed_field::name ? name : id, field == fixed_field::name ? name_room : id_room,
                  keep_text);
        return row_fault::kind::none;
    }
    while (is_cell_blank(*p)) ++p;
    bool ok;
    if (field <= fixed_field::row) {
        int* const target = field == fixed_field::block ? &v.block : field == fixed_field::column ? &v.column : &v.row;
        ok = read_integer(p, *target);
    } else {
        ok = read_number(p, line_end, field, v);
    }
    if (ok) {
        while (is_cell_blank(*p)) ++p;
        if (*p == '\t' || *p == '\n') return row_fault::kind::none;
    }
    return field <= fixed_field::row ? row_fault::kind::not_integer : row_fault::kind::not_number;
}

// The cell starting at p, up to its tab or the line feed, blanks around it dropped.
std::string_view cell_text(const char* p) {
    while (is_cell_blank(*p)) ++p;
    const char* end = p;
    while (*end != '\t' && *end != '\n') ++end;
    while (end != p && is_cell_blank(end[-1])) --end;
    return std::string_view(p, static_cast<std::size_t>(end - p));
}

int count_fields(const char* p, const char* line_end) {
    int count = 1;
    for (; p != line_end; ++p) count += *p == '\t';
    return count;
}

}  // namespace

bool parse_titled_row(const char* p, const char* line_end, const row_layout& layout, row_values& v, series<char> name,
                      series<char> id, bool keep_text, row_fault& fault) {
    const char* const row_start = p;
    const int* const field_of = layout.field_of_column.data();
    for (int column = 1;; ++column) {
        const char* const cell = p;
        const auto what = read_titled_cell(p, line_end, field_of[column], v, name, id, keep_text);
        if (what != row_fault::kind::none) {
            fault = {what, column, 0, cell_text(cell)};
            return false;
        }
        if (column == layout.column_count) break;
        if (p == line_end) {
            fault = {row_fault::kind::few_fields, column, column, {}};
            return false;
        }
        ++p;  // the tab
    }
    // Empty cells may follow (a spreadsheet pads rows with tabs); text may not.
    for (const char* q = p; q != line_end; ++q)
        if (!is_blank_byte(*q)) {
            fault = {row_fault::kind::many_fields, layout.column_count + 1, count_fields(row_start, line_end), {}};
            return false;
        }
    return true;
}

std::string describe_row_fault(const row_layout& layout, const row_fault& fault) {
    const std::string titles =
        std::to_string(layout.column_count) + " column titles of line " + std::to_string(layout.title_line);
    switch (fault.what) {
        case row_fault::kind::few_fields:
            return "the row has " + std::to_string(fault.field_count) + " fields, fewer than the " + titles;
        case row_fault::kind::many_fields:
            return "the row has " + std::to_string(fault.field_count) + " fields, more than the " + titles +
                   ", and the extra ones are not empty";
        default:
            break;
    }
    return not_a_number_text(canonical_title(layout.title_of[static_cast<std::size_t>(fault.column)]), fault.text,
                             fault.what == row_fault::kind::not_integer);
}

bool next_titled_row(byte_reader& in, const row_layout& layout, row_values& v, series<char> name, series<char> id,
                     bool keep_text, bool in_place, const char* file_name, const std::string& spot, long long& line) {
    std::string text;
    for (;;) {
        line = in.line();
        if (in_place && parse_row_in_place(in, v, name, id, keep_text, layout)) {
            skip_lines(in, 1);
            return true;
        }
        if (!read_line_text(in, text)) return false;
        const char* const begin = text.data();
        const char* const end = begin + text.size() - 1;
        if (is_blank_line(begin, end)) continue;
        row_fault fault;
        if (!parse_titled_row(begin, end, layout, v, name, id, keep_text, fault))
            line_failure(in, file_name, line, spot + describe_row_fault(layout, fault));
        return true;
    }
}

bool is_fixed_data_row(const char* p, const char* line_end) {
    row_values v;
    return parse_fixed_row(p, line_end, v, {}, {}, false);
}

bool is_blank_line(const char* p, const char* line_end) {
    for (; p != line_end; ++p)
        if (!is_blank_byte(*p)) return false;
    return true;
}

bool parse_row_in_place(byte_reader& in, row_values& v, series<char> name, series<char> id, bool keep_text,
                        const row_layout& layout) {
    const char* p = in.cursor();
    const char* line_end = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(in.limit() - p)));
    if (line_end == nullptr) {
        if (!in.extend()) return false;
        p = in.cursor();
        line_end = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(in.limit() - p)));
        if (line_end == nullptr) return false;
    }
    row_fault fault;
    const bool parsed = layout.titled ? parse_titled_row(p, line_end, layout, v, name, id, keep_text, fault)
                                      : parse_fixed_row(p, line_end, v, name, id, keep_text);
    if (!parsed) return false;
    in.advance_within_line(line_end);
    return true;
}
