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
      end_(other.end_), line_(other.line_) {
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
    return got > 0;
}

int byte_reader::peek_after_cr() {
    if (end_ - pos_ < 2 && file_ != nullptr) {
        buffer_[0] = '\r';
        const std::size_t got = std::fread(buffer_.get() + 1, 1, buffer_size, file_);
        pos_ = buffer_.get();
        end_ = buffer_.get() + 1 + got;
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

int skip_space(byte_reader& in) {
    int c = in.peek();
    while (c != -1 && is_space(c)) {
        in.get();
        c = in.peek();
    }
    return c;
}

int skip_blanks(byte_reader& in) {
    const char* p = in.cursor();
    const char* const end = in.limit();
    while (p != end && *p != '\r' && is_blank(static_cast<unsigned char>(*p))) ++p;
    in.advance_within_line(p);
    int c = in.peek();
    while (c != -1 && is_blank(c)) {
        in.get();
        c = in.peek();
    }
    return c;
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

constexpr std::size_t real_room = 400;

// Converts the digits of a decimal number (no sign). Numbers of at most 19
// significant digits whose value and power of ten are exact doubles take one
// correctly rounded operation; the rest go to from_chars. Both give the
// correctly rounded value, so the result is the same either way.
bool convert_real(const char* text, std::size_t length, double& out) {
    static const double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                     1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = text;
    const char* const end = text + length;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int scale = 0;
    bool point = false;
    bool simple = true;
    for (; p != end && (is_digit(*p) || *p == '.'); ++p) {
        if (*p == '.') {
            point = true;
            continue;
        }
        if (mantissa == 0 && *p == '0') {
            if (point) --scale;
            continue;
        }
        if (++digits > 19) {
            simple = false;
            break;
        }
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
        if (point) --scale;
    }
    if (simple && p != end) {  // exponent
        ++p;
        bool negative = false;
        if (*p == '+' || *p == '-') negative = *p++ == '-';
        int exponent = 0;
        for (; p != end; ++p) {
            if (exponent > 100000) {
                simple = false;
                break;
            }
            exponent = exponent * 10 + (*p - '0');
        }
        scale += negative ? -exponent : exponent;
    }
    if (simple && mantissa <= (std::uint64_t{1} << 53) && scale >= -22 && scale <= 22) {
        const double m = static_cast<double>(mantissa);
        out = scale >= 0 ? m * powers[scale] : m / powers[-scale];
        return true;
    }
    const auto result = std::from_chars(text, end, out);
    if (result.ec == std::errc::result_out_of_range) {
        // strtod's answer: overflow gives infinity, underflow a value near zero.
        out = std::strtod(std::string(text, length).c_str(), nullptr);
        return true;
    }
    return result.ec == std::errc() && result.ptr == end;
}

// The number grammar over bytes in memory. Returns false, with *stop where
// the scan ended, when the buffer ends inside the token; otherwise true with
// the token's end in *stop and whether it is a number in *ok.
bool scan_real(const char* p, const char* end, const char** stop, bool* ok) {
    auto at = [&](const char* q) { return q != end ? static_cast<unsigned char>(*q) : -1; };
    if (at(p) == '+' || at(p) == '-') ++p;
    if (p == end) return false;
    if ((*p | 0x20) == 'i' || (*p | 0x20) == 'n') return false;  // words take the byte-wise path
    bool digits = false;
    while (p != end && is_digit(*p)) {
        ++p;
        digits = true;
    }
    if (p != end && *p == '.') {
        ++p;
        while (p != end && is_digit(*p)) {
            ++p;
            digits = true;
        }
    }
    if (p == end) return false;
    *ok = digits;
    if (digits && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p != end && (*p == '+' || *p == '-')) ++p;
        if (p == end) return false;
        *ok = is_digit(*p);
        while (p != end && is_digit(*p)) ++p;
        if (p == end) return false;
    }
    *stop = p;
    return true;
}

bool read_real_bytewise(byte_reader& in, double& out) {
    char text[real_room + 1];
    std::size_t length = 0;
    bool too_long = false;
    auto take = [&](int c) {
        in.get();
        if (length < real_room)
            text[length++] = static_cast<char>(c);
        else
            too_long = true;
    };
    int c = in.peek();
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        in.get();
        c = in.peek();
    }
    if ((c | 0x20) == 'i' || (c | 0x20) == 'n') {
        while (c != -1 && ((c | 0x20) >= 'a' && (c | 0x20) <= 'z')) {
            take(c | 0x20);
            c = in.peek();
        }
        const std::string_view word(text, length);
        if (too_long) return false;
        if (word == "inf" || word == "infinity") {
            out = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
            return true;
        }
        if (word == "nan") {
            out = std::numeric_limits<double>::quiet_NaN();
            return true;
        }
        return false;
    }
    bool digits = false;
    while (is_digit(c)) {
        take(c);
        digits = true;
        c = in.peek();
    }
    if (c == '.') {
        take(c);
        c = in.peek();
        while (is_digit(c)) {
            take(c);
            digits = true;
            c = in.peek();
        }
    }
    if (!digits) return false;
    if (c == 'e' || c == 'E') {
        take(c);
        c = in.peek();
        if (c == '+' || c == '-') {
            take(c);
            c = in.peek();
        }
        if (!is_digit(c)) return false;
        while (is_digit(c)) {
            take(c);
            c = in.peek();
        }
    }
    if (too_long) return false;
    double value = 0.0;
    if (!convert_real(text, length, value)) return false;
    out = negative ? -value : value;
    return true;
}

}  // namespace

// Scans in place when the whole token lies in the buffer, byte by byte otherwise.
bool read_real(byte_reader& in, double& out) {
    const char* const start = in.cursor();
    const char* stop = start;
    bool ok = false;
    if (!scan_real(start, in.limit(), &stop, &ok)) return read_real_bytewise(in, out);
    in.advance_within_line(stop);
    if (!ok) return false;
    const char* digits = start;
    const bool negative = *digits == '-';
    if (*digits == '+' || *digits == '-') ++digits;
    const std::size_t length = static_cast<std::size_t>(stop - digits);
    if (length > real_room) return false;
    double value = 0.0;
    if (!convert_real(digits, length, value)) return false;
    out = negative ? -value : value;
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
