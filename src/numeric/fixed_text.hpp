// Number formatting shared by the console and the reports: the output of
// printf's "%W.Df" and "%Wd", with one rendering of not-a-number and infinity
// on every platform ("nan", "inf", "-inf", right-aligned).
#pragma once

#include <cstddef>

// Room enough for any double in fixed notation with up to 6 decimals.
constexpr std::size_t fixed_text_room = 400;

// Writes value with `decimals` decimals, right-aligned in at least `width`
// characters, to out (no terminator); returns the length.
std::size_t format_fixed(char* out, double value, int decimals, int width);

// Writes value right-aligned in at least `width` characters; returns the length.
std::size_t format_int(char* out, long long value, int width);

// Writes value as printf's "%.<digits>g" does (the shorter of fixed and
// exponent notation, trailing zeros dropped, an exponent of at least two
// digits), the same on every platform; not-a-number and infinity as
// format_fixed writes them. Returns the length. 0.000123456789 with 6 digits
// gives "0.000123457", 1.5e-10 gives "1.5e-10".
std::size_t format_general(char* out, double value, int digits);
