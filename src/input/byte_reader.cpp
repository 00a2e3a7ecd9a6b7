#include "input/byte_reader.hpp"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <limits>
#include <sys/stat.h>

namespace {
constexpr std::size_t buffer_size = 1 << 18;

bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

byte_reader::byte_reader(const char* path) {
    file_ = std::fopen(path, "rb");
    if (file_ == nullptr) return;
    // A directory opens on some systems but holds no bytes to read.
    struct stat info;
    if (fstat(fileno(file_), &info) != 0 || S_ISDIR(info.st_mode)) {
        std::fclose(file_);
        file_ = nullptr;
        return;
    }
    buffer_ = std::make_unique_for_overwrite<char[]>(buffer_size + 1);
    pos_ = end_ = buffer_.get() + 1;
}

byte_reader::byte_reader(const char* bytes, std::size_t size) : memory_(true), pos_(bytes), end_(bytes + size) {}

byte_reader::byte_reader(byte_reader&& other) noexcept
    : file_(other.file_), memory_(other.memory_), buffer_(std::move(other.buffer_)), pos_(other.pos_),
      end_(other.end_), line_(other.line_), last_(other.last_), ended_(other.ended_) {
    other.file_ = nullptr;
    other.memory_ = false;
    other.pos_ = other.end_ = nullptr;
}

byte_reader::~byte_reader() { close(); }

void byte_reader::close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    memory_ = false;
    pos_ = end_ = nullptr;
}

// Byte 0 of the buffer is kept free so a CR can be carried over a refill.
bool byte_reader::refill() {
    if (file_ == nullptr) return false;
    char* start = buffer_.get() + 1;
    const std::size_t got = std::fread(start, 1, buffer_size, file_);
    pos_ = start;
    end_ = start + got;
    if (got == 0) ended_ = true;
    return got > 0;
}

bool byte_reader::extend() {
    if (file_ == nullptr) return false;
    char* start = buffer_.get() + 1;
    const std::size_t kept = static_cast<std::size_t>(end_ - pos_);
    if (kept >= buffer_size) return false;
    std::memmove(start, pos_, kept);
    const std::size_t got = std::fread(start + kept, 1, buffer_size - kept, file_);
    pos_ = start;
    end_ = start + kept + got;
    if (got == 0) ended_ = true;
    return got > 0;
}

int byte_reader::peek_after_cr() {
    if (end_ - pos_ < 2 && file_ != nullptr) {
        buffer_[0] = '\r';
        const std::size_t got = std::fread(buffer_.get() + 1, 1, buffer_size, file_);
        pos_ = buffer_.get();
        end_ = buffer_.get() + 1 + got;
        if (got == 0) ended_ = true;
    }
    return end_ - pos_ >= 2 && pos_[1] == '\n' ? '\n' : '\r';
}

int skip_lines(byte_reader& in, int n) {
    int done = 0;
    while (done < n) {
        int c;
        do c = in.get();
        while (c != '\n' && c != -1);
        if (c == -1) break;
        ++done;
    }
    return done;
}

namespace {
// Consumes bytes while `keep` holds; returns the next byte, not consumed.
template <class P>
int skip_while(byte_reader& in, P keep) {
    int c = in.peek();
    while (c != -1 && keep(c)) {
        in.get();
        c = in.peek();
    }
    return c;
}
}  // namespace

int skip_space(byte_reader& in) { return skip_while(in, is_space); }

int skip_blanks(byte_reader& in) {
    const char* p = in.cursor();
    const char* const end = in.limit();
    while (p != end && *p != '\r' && is_blank(static_cast<unsigned char>(*p))) ++p;
    in.advance_within_line(p);
    return skip_while(in, is_blank);
}

bool read_word(byte_reader& in, std::string& out, std::size_t room) {
    out.clear();
    int c = skip_space(in);
    if (c == -1) return false;
    while (c != -1 && !is_space(c)) {
        in.get();
        if (out.size() < room) out.push_back(static_cast<char>(c));
        c = in.peek();
    }
    return true;
}

bool read_int(byte_reader& in, int& out) {
    int c = in.peek();
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        in.get();
        c = in.peek();
    }
    if (!is_digit(c)) return false;
    long long value = 0;
    bool overflow = false;
    while (is_digit(c)) {
        in.get();
        if (!overflow) {
            value = value * 10 + (c - '0');
            if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1) overflow = true;
        }
        c = in.peek();
    }
    if (negative) value = -value;
    if (overflow || value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min()) return false;
    out = static_cast<int>(value);
    return true;
}

namespace {

enum class scan_result { incomplete, not_a_number, number };

bool is_letter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// What an exponent marker without digits after it does to the number before
// it: %lf swallows it and refuses the token, atof ignores it.
enum class bare_exponent { refuse, ignore };

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
scan_result scan_special_word(number_scan& s, bool negative, const char** stop, double* value) {
    const char* const first = s.p;
    char word[9];
    std::size_t length = 0;
    for (; !s.at_end() && is_letter(static_cast<unsigned char>(*s.p)); ++s.p)
        if (length < sizeof word) word[length++] = static_cast<char>(*s.p | 0x20);
    *stop = s.p;
    if (s.at_end() && s.more) return scan_result::incomplete;
    const std::string_view w(word, length);
    if (static_cast<std::size_t>(s.p - first) > length) return scan_result::not_a_number;
    if (w == "inf" || w == "infinity") {
        *value = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
        return scan_result::number;
    }
    if (w == "nan") {
        *value = std::numeric_limits<double>::quiet_NaN();
        return scan_result::number;
    }
    return scan_result::not_a_number;
}

// digits [. digits], or . digits.
void scan_mantissa(number_scan& s) {
    for (; !s.at_end() && is_digit(*s.p); ++s.p) s.add_digit(*s.p, false);
    if (!s.at_end() && *s.p == '.')
        for (++s.p; !s.at_end() && is_digit(*s.p); ++s.p) s.add_digit(*s.p, true);
}

// e [sign] digits after the mantissa, added to the scale. An exponent without
// digits is refused with *stop after it, or dropped (s.p back at the e).
scan_result scan_exponent(number_scan& s, bare_exponent bare, const char** stop) {
    if (s.at_end() || (*s.p != 'e' && *s.p != 'E')) return scan_result::number;
    const char* const marker = s.p++;
    bool negative = false;
    if (!s.at_end() && (*s.p == '+' || *s.p == '-')) negative = *s.p++ == '-';
    if (s.at_end() && s.more) return scan_result::incomplete;
    if (s.at_end() || !is_digit(*s.p)) {
        if (bare == bare_exponent::ignore) {
            s.p = marker;
            return scan_result::number;
        }
        *stop = s.p;
        return scan_result::not_a_number;
    }
    int exponent = 0;
    for (; !s.at_end() && is_digit(*s.p); ++s.p)
        if (exponent < 100000) exponent = exponent * 10 + (*s.p - '0');
    if (s.at_end() && s.more) return scan_result::incomplete;
    s.scale += negative ? -exponent : exponent;
    return scan_result::number;
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

// The number grammar over bytes in memory, converting as it goes. With `more`
// the bytes may go on past end, and a token that reaches end is incomplete.
// Otherwise *stop is where the token ends (what a failed conversion consumed
// included) and *value the number.
scan_result scan_number(const char* p, const char* end, bool more, const char** stop, double* value,
                        bare_exponent bare = bare_exponent::refuse) {
    number_scan s{p, end, more};
    const scan_result cut = more ? scan_result::incomplete : scan_result::not_a_number;
    bool negative = false;
    if (!s.at_end() && (*s.p == '+' || *s.p == '-')) negative = *s.p++ == '-';
    if (s.at_end()) {
        *stop = s.p;
        return cut;
    }
    const char* const first = s.p;
    if ((*s.p | 0x20) == 'i' || (*s.p | 0x20) == 'n') return scan_special_word(s, negative, stop, value);
    scan_mantissa(s);
    if (s.at_end() && more) return scan_result::incomplete;
    if (!s.digits) {
        *stop = s.p;
        return scan_result::not_a_number;
    }
    const scan_result exponent = scan_exponent(s, bare, stop);
    if (exponent != scan_result::number) return exponent;
    *stop = s.p;
    double v;
    if (!convert_decimal(s, first, s.p, &v)) return scan_result::not_a_number;
    *value = negative ? -v : v;
    return scan_result::number;
}

}  // namespace

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
    if (scan_number(p, end, false, &stop, &value) != scan_result::number) return false;
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
    if (digits && point - first <= 300 && (q == end || (*q != 'e' && *q != 'E' && !is_letter(static_cast<unsigned char>(*q))))) {
        p = q;
        return true;
    }
    double value;
    const char* r = p;
    if (!parse_real(r, end, value) || !std::isfinite(value)) return false;
    p = r;
    return true;
}

namespace {

// A token that fills the whole buffer: its bytes are gathered and converted
// as one piece. False when they do not form one number from end to end.
bool read_long_real(byte_reader& in, double& out) {
    std::string token;
    int c = in.peek();
    if (c == '+' || c == '-') {
        token.push_back(static_cast<char>(in.get()));
        c = in.peek();
    }
    while (c != -1 && (is_digit(c) || is_letter(static_cast<unsigned char>(c)) || c == '.' || c == '+' || c == '-')) {
        token.push_back(static_cast<char>(in.get()));
        c = in.peek();
    }
    const char* stop = nullptr;
    double value = 0.0;
    const char* const end = token.data() + token.size();
    if (scan_number(token.data(), end, false, &stop, &value) != scan_result::number || stop != end) return false;
    out = value;
    return true;
}

}  // namespace

// Scans in place, moving the unread bytes to the front of the buffer when a
// token runs into its end.
bool read_real(byte_reader& in, double& out) {
    for (;;) {
        const char* stop = nullptr;
        double value = 0.0;
        const scan_result r = scan_number(in.cursor(), in.limit(), in.can_extend(), &stop, &value);
        if (r != scan_result::incomplete) {
            in.advance_within_line(stop);
            if (r == scan_result::not_a_number) return false;
            out = value;
            return true;
        }
        // At the end of the file the token is complete: scan it once more as such.
        if (!in.extend() && !in.at_end_of_file()) break;
    }
    return read_long_real(in, out);
}

double leading_decimal(const char* text) {
    const char* p = text;
    while (is_space(static_cast<unsigned char>(*p))) ++p;
    const char* stop = nullptr;
    double value = 0.0;
    const char* const end = p + std::strlen(p);
    return scan_number(p, end, false, &stop, &value, bare_exponent::ignore) == scan_result::number ? value : 0.0;
}

bool read_line_text(byte_reader& in, std::string& out) {
    out.clear();
    int c = in.get();
    if (c == -1) return false;
    for (; c != '\n' && c != -1; c = in.get()) out.push_back(static_cast<char>(c));
    out.push_back('\n');
    return true;
}

bool read_quoted_value(byte_reader& in, std::string& out, std::size_t room) {
    out.clear();
    int c = in.get();
    if (c == -1) return false;
    if (c == '"') c = in.get();
    while (c != '"' && c != '\n') {
        if (c == -1) return false;
        if (out.size() < room) out.push_back(static_cast<char>(c));
        c = in.get();
    }
    if (c == '"') skip_lines(in, 1);
    return true;
}
