#include "input/byte_reader.hpp"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <sys/stat.h>

namespace {
constexpr std::size_t buffer_size = 1 << 18;

bool is_digit(int c) { return c >= '0' && c <= '9'; }
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

bool read_real(byte_reader& in, double& out) {
    constexpr std::size_t room = 400;
    char text[room + 1];
    std::size_t length = 0;
    bool too_long = false;
    auto take = [&](int c) {
        in.get();
        if (length < room)
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
    const auto result = std::from_chars(text, text + length, value);
    if (result.ec == std::errc::result_out_of_range) {
        // strtod's answer: overflow gives infinity, underflow a value near zero.
        value = std::strtod(std::string(text, length).c_str(), nullptr);
    } else if (result.ec != std::errc() || result.ptr != text + length) {
        return false;
    }
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
