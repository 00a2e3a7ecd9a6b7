#include "numeric/decimal_number.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

namespace {

bool is_letter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// The bytes being scanned and the decimal digits read from them so far.
struct number_scan {
    const char* p;
    const char* end;
    bool more;  // the bytes may go on past end
    std::uint64_t mantissa = 0;
    int significant = 0;
    int scale = 0;
    bool digits = false;
    bool simple = true;  // at most 19 significant digits, so mantissa holds them all

    bool at_end() const { return p == end; }
    void add_digit(char c, bool after_point) {
        digits = true;
        if (mantissa == 0 && c == '0') {
            if (after_point) --scale;
            return;
        }
        if (++significant > 19) {
            simple = false;
            return;
        }
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
        if (after_point) --scale;
    }
};

// inf, infinity or nan in any letter case, from the first letter at s.p.
decimal_scan scan_special_word(number_scan& s, bool negative, const char** stop, double* value) {
    const char* const first = s.p;
    char word[9];
    std::size_t length = 0;
    for (; !s.at_end() && is_letter(static_cast<unsigned char>(*s.p)); ++s.p)
        if (length < sizeof word) word[length++] = static_cast<char>(*s.p | 0x20);
    *stop = s.p;
    if (s.at_end() && s.more) return decimal_scan::incomplete;
    const std::string_view w(word, length);
    if (static_cast<std::size_t>(s.p - first) > length) return decimal_scan::not_a_number;
    if (w == "inf" || w == "infinity") {
        *value = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
        return decimal_scan::number;
    }
    if (w == "nan") {
        *value = std::numeric_limits<double>::quiet_NaN();
        return decimal_scan::number;
    }
    return decimal_scan::not_a_number;
}

// digits [. digits], or . digits.
void scan_mantissa(number_scan& s) {
    for (; !s.at_end() && is_digit(*s.p); ++s.p) s.add_digit(*s.p, false);
    if (!s.at_end() && *s.p == '.')
        for (++s.p; !s.at_end() && is_digit(*s.p); ++s.p) s.add_digit(*s.p, true);
}

// e [sign] digits after the mantissa, added to the scale. An exponent without
// digits is refused with *stop after it, or dropped (s.p back at the e).
decimal_scan scan_exponent(number_scan& s, bare_exponent bare, const char** stop) {
    if (s.at_end() || (*s.p != 'e' && *s.p != 'E')) return decimal_scan::number;
    const char* const marker = s.p++;
    bool negative = false;
    if (!s.at_end() && (*s.p == '+' || *s.p == '-')) negative = *s.p++ == '-';
    if (s.at_end() && s.more) return decimal_scan::incomplete;
    if (s.at_end() || !is_digit(*s.p)) {
        if (bare == bare_exponent::ignore) {
            s.p = marker;
            return decimal_scan::number;
        }
        *stop = s.p;
        return decimal_scan::not_a_number;
    }
    int exponent = 0;
    for (; !s.at_end() && is_digit(*s.p); ++s.p)
        if (exponent < 100000) exponent = exponent * 10 + (*s.p - '0');
    if (s.at_end() && s.more) return decimal_scan::incomplete;
    s.scale += negative ? -exponent : exponent;
    return decimal_scan::number;
}

// The value of the decimal text [first, last) that s has read. Numbers of at
// most 19 significant digits whose value and power of ten are exact doubles
// take one correctly rounded operation; the rest go to from_chars, which
// rounds correctly too, so the result equals strtod's either way.
bool convert_decimal(const number_scan& s, const char* first, const char* last, double* value) {
    double v;
    if (s.simple && exact_decimal(s.mantissa, s.scale, v)) {
        *value = v;
        return true;
    }
    const auto result = std::from_chars(first, last, v);
    if (result.ec == std::errc::result_out_of_range)
        v = std::strtod(std::string(first, last).c_str(), nullptr);  // strtod's overflow and underflow
    else if (result.ec != std::errc() || result.ptr != last)
        return false;
    *value = v;
    return true;
}

}  // namespace

decimal_scan scan_decimal(const char* p, const char* end, bool more, const char** stop, double* value,
                          bare_exponent bare) {
    number_scan s{p, end, more};
    const decimal_scan cut = more ? decimal_scan::incomplete : decimal_scan::not_a_number;
    bool negative = false;
    if (!s.at_end() && (*s.p == '+' || *s.p == '-')) negative = *s.p++ == '-';
    if (s.at_end()) {
        *stop = s.p;
        return cut;
    }
    const char* const first = s.p;
    if ((*s.p | 0x20) == 'i' || (*s.p | 0x20) == 'n') return scan_special_word(s, negative, stop, value);
    scan_mantissa(s);
    if (s.at_end() && more) return decimal_scan::incomplete;
    if (!s.digits) {
        *stop = s.p;
        return decimal_scan::not_a_number;
    }
    const decimal_scan exponent = scan_exponent(s, bare, stop);
    if (exponent != decimal_scan::number) return exponent;
    *stop = s.p;
    double v;
    if (!convert_decimal(s, first, s.p, &v)) return decimal_scan::not_a_number;
    *value = negative ? -v : v;
    return decimal_scan::number;
}

bool exact_decimal(std::uint64_t mantissa, int scale, double& value) {
    static const double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (mantissa > (std::uint64_t{1} << 53) || scale < -22 || scale > 22) return false;
    const double m = static_cast<double>(mantissa);
    value = scale >= 0 ? m * powers[scale] : m / powers[-scale];
    return true;
}

bool parse_real(const char*& p, const char* end, double& value) {
    const char* stop = p;
    if (scan_decimal(p, end, false, &stop, &value) != decimal_scan::number) return false;
    p = stop;
    return true;
}

bool skip_finite_real(const char*& p, const char* end) {
    const char* q = p;
    if (q != end && (*q == '+' || *q == '-')) ++q;
    const char* const first = q;
    while (q != end && is_digit(*q)) ++q;
    const char* const point = q;
    if (q != end && *q == '.') {
        ++q;
        while (q != end && is_digit(*q)) ++q;
    }
    // Plain digits of modest length always make a finite number; anything
    // else (no digit at all, an exponent, a word, a long run) is converted.
    const bool digits = point > first || q > point + 1;
    if (digits && point - first <= 300 &&
        (q == end || (*q != 'e' && *q != 'E' && !is_letter(static_cast<unsigned char>(*q))))) {
        p = q;
        return true;
    }
    double value;
    const char* r = p;
    if (!parse_real(r, end, value) || !std::isfinite(value)) return false;
    p = r;
    return true;
}

double leading_decimal(const char* text) {
    const char* p = text;
    while (is_space(static_cast<unsigned char>(*p))) ++p;
    const char* stop = nullptr;
    double value = 0.0;
    const char* const end = p + std::strlen(p);
    return scan_decimal(p, end, false, &stop, &value, bare_exponent::ignore) == decimal_scan::number ? value : 0.0;
}

bool whole_real(std::string_view text, double& value) {
    const char* p = text.data();
    const char* const end = p + text.size();
    return !text.empty() && parse_real(p, end, value) && p == end;
}
