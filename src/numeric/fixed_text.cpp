#include "numeric/fixed_text.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {
std::size_t pad_left(char* out, std::size_t length, int width) {
    if (width <= 0 || length >= static_cast<std::size_t>(width)) return length;
    const std::size_t pad = static_cast<std::size_t>(width) - length;
    std::memmove(out + pad, out, length);
    std::memset(out, ' ', pad);
    return static_cast<std::size_t>(width);
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
