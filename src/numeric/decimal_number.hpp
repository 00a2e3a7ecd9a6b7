// The grammar of decimal numbers in result files and answers: the C "%lf"
// conversion's [sign] digits [. digits] [e [sign] digits], inf and nan, and
// C's white space. Converted exactly as strtod converts, in every build.
#pragma once

#include <cstdint>
#include <string_view>

// C's isspace in the "C" locale.
inline bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
// White space that does not end a line.
inline bool is_blank(int c) { return c != '\n' && is_space(c); }

enum class decimal_scan { incomplete, not_a_number, number };

// What an exponent marker without digits after it does to the number before
// it: %lf swallows it and refuses the token, atof ignores it.
enum class bare_exponent { refuse, ignore };

// The number grammar over bytes in memory, converting as it goes: the longest
// prefix of the form [sign] digits [. digits] [e [sign] digits] (or "."
// digits), the exponent taken only when it has a digit, or inf, infinity and
// nan in any letter case. With `more` the bytes may go on past end, and a
// token that reaches end is incomplete. Otherwise *stop is where the token
// ends (what a failed conversion consumed included) and *value the number,
// which may be infinite or not a number.
decimal_scan scan_decimal(const char* p, const char* end, bool more, const char** stop, double* value,
                          bare_exponent bare = bare_exponent::refuse);

// mantissa x 10^scale when both are exact doubles, in one correctly rounded
// operation (so equal to strtod's result); false otherwise.
bool exact_decimal(std::uint64_t mantissa, int scale, double& value);

// The grammar over bytes in memory that end at `end`: on a number sets value,
// moves p past it and returns true.
bool parse_real(const char*& p, const char* end, double& value);

// Whether [p, end) starts with a finite number by the grammar, without
// keeping its value (for fields that are read and discarded); moves p past it.
// Agrees with parse_real followed by a finiteness test.
bool skip_finite_real(const char*& p, const char* end);

// atof: blanks, then the longest leading decimal number (an exponent without
// digits is left out, so "2e" is 2); 0.0 when no number starts there.
double leading_decimal(const char* text);

// The whole of `text` is one number of the grammar, nothing before or after.
bool whole_real(std::string_view text, double& value);
