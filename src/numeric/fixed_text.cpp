#include "numeric/fixed_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {
std::size_t pad_left(char* out, std::size_t length, int width) {
    if (width <= 0 || length >= static_cast<std::size_t>(width)) return length;
    const std::size_t pad = static_cast<std::size_t>(width) - length;
    std::memmove(out + pad, out, length);
    std::memset(out, ' ', pad);
    return static_cast<std::size_t>(width);
}
__extension__ typedef unsigned __int128 wide;

// printf's rounding of a value below 2^53 in magnitude to 3 or 6 decimals,
// done exactly on its binary form m * 2^e: round half to even, as printf does
// in the default rounding mode. Returns 0 when the value is outside that range.
// This path exists for speed only: the reports write one number per spot and
// file, and to_chars below gives the same text at a higher cost per number.
// The comparisons with printf in fixed_text_test (random values, exact ties,
// the ends of the range) guard that the two never differ.
std::size_t fixed_exact(char* out, double value, int decimals) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = bits >> 63;
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
    int e;
    if (biased == 0) {
        e = -1074;
    } else {
        m |= std::uint64_t{1} << 52;
        e = biased - 1075;
    }
    if (e > 0 || (decimals != 3 && decimals != 6)) return 0;
    const std::uint64_t scale = decimals == 3 ? 1000 : 1000000;
    const wide n = static_cast<wide>(m) * scale;
    const int k = -e;
    std::uint64_t q;
    if (k == 0) {
        q = static_cast<std::uint64_t>(n);
    } else if (k >= 100) {
        q = 0;  // far below half a unit of the last decimal
    } else {
        wide whole = n >> k;
        const wide rest = n - (whole << k);
        const wide half = static_cast<wide>(1) << (k - 1);
        if (rest > half || (rest == half && (whole & 1) != 0)) ++whole;
        q = static_cast<std::uint64_t>(whole);
    }
    char* p = out;
    if (negative) *p++ = '-';
    p = std::to_chars(p, p + 24, q / scale).ptr;
    *p++ = '.';
    std::uint64_t fraction = q % scale;
    for (int i = decimals - 1; i >= 0; --i) {
        p[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    return static_cast<std::size_t>(p + decimals - out);
}

}  // namespace

std::size_t format_fixed(char* out, double value, int decimals, int width) {
    std::size_t length;
    if (std::isnan(value)) {
        std::memcpy(out, "nan", 3);
        length = 3;
    } else if (std::isinf(value)) {
        length = value < 0 ? 4 : 3;
        std::memcpy(out, value < 0 ? "-inf" : "inf", length);
    } else if ((length = fixed_exact(out, value, decimals)) != 0) {
    } else {
        // A fixed conversion with a precision rounds exactly as printf does.
        const auto result = std::to_chars(out, out + fixed_text_room, value, std::chars_format::fixed, decimals);
        length = static_cast<std::size_t>(result.ptr - out);
    }
    return pad_left(out, length, width);
}

std::size_t format_int(char* out, long long value, int width) {
    const auto result = std::to_chars(out, out + fixed_text_room, value);
    return pad_left(out, static_cast<std::size_t>(result.ptr - out), width);
}

std::size_t format_general(char* out, double value, int digits) {
    if (!std::isfinite(value)) return format_fixed(out, value, 0, 0);
    const auto result = std::to_chars(out, out + fixed_text_room, value, std::chars_format::general, digits);
    return static_cast<std::size_t>(result.ptr - out);
}
