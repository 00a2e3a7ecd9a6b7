#include "input/row_parser.hpp"

#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Fields whose value is used; the others are only checked.
constexpr bool is_kept(int field) {
    return field == 9 || field == 12 || field == 18 || field == 21 || (field >= 27 && field <= 30) || field == 32 ||
           field == 43;
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

}  // namespace

bool parse_row_in_place(byte_reader& in, row_values& v, series<char> name, series<char> id, bool keep_text) {
    const char* p = in.cursor();
    const char* line_end = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(in.limit() - p)));
    if (line_end == nullptr) {
        if (!in.extend()) return false;
        p = in.cursor();
        line_end = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(in.limit() - p)));
        if (line_end == nullptr) return false;
    }
    auto integer = [&](int& out) {
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
    };
    auto next_field = [&] {
        while (is_blank_byte(*p)) ++p;
        return *p != '\n';
    };
    auto text = [&](series<char> out, std::size_t room) {
        std::size_t length = 0;
        for (; *p != '\t'; ++p) {
            if (*p == '\n') return false;
            const unsigned char c = static_cast<unsigned char>(*p);
            if (keep_text && c >= 32 && c <= 126 && length < room) out[static_cast<int>(length++)] = static_cast<char>(c);
        }
        if (keep_text) out[static_cast<int>(length)] = '\0';
        ++p;
        return true;
    };
    // Field 1 ends at its tab and fits the sizing scan's 9 bytes, so both
    // readers see the same Block.
    const char* const row_start = p;
    if (!integer(v.block) || *p != '\t' || p - row_start > 9) return false;
    if (!next_field() || !integer(v.column) || !next_field() || !integer(v.row)) return false;
    if (*p++ != '\t') return false;
    if (!text(name, name_room) || !text(id, id_room)) return false;
    for (int field = 6; field <= data_fields; ++field) {
        if (!next_field()) return false;
        if (field == 38) {
            while (!is_space(static_cast<unsigned char>(*p))) ++p;
            continue;
        }
        if (kept[field] ? plain_number<true>(p, &v.field[field]) : plain_number<false>(p, nullptr)) continue;
        const char* q = p;
        if (kept[field]) {
            double x;
            if (!parse_real(q, line_end, x) || !std::isfinite(x)) return false;
            v.field[field] = x;
        } else if (!skip_finite_real(q, line_end)) {
            return false;
        }
        if (!(is_blank_byte(*q) || *q == '\n')) return false;
        p = q;
    }
    while (is_blank_byte(*p)) ++p;
    if (p != line_end) return false;
    in.advance_within_line(line_end);
    return true;
}

