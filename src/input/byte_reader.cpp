#include "input/byte_reader.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {
constexpr std::size_t buffer_size = 1 << 18;

bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_letter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

bool is_control_byte(unsigned char c) { return (c < 32 && c != '\t' && c != '\n' && c != '\r') || c == 127; }

// The first byte of [p, end) that no text holds, or end; sixteen bytes at a
// time, as every byte of a file passes here.
const char* find_control_byte(const char* p, const char* end) {
    typedef unsigned char sixteen __attribute__((vector_size(16)));
    while (end - p >= 16) {
        sixteen x;
        std::memcpy(&x, p, sizeof x);
        const auto bad = ((x < 32) & (x != '\t') & (x != '\n') & (x != '\r')) | (x == 127);
        std::uint64_t halves[2];
        std::memcpy(halves, &bad, sizeof halves);
        if ((halves[0] | halves[1]) != 0) break;
        p += 16;
    }
    while (p != end && !is_control_byte(static_cast<unsigned char>(*p))) ++p;
    return p;
}

// The cell (from 1, parted by tabs) that [p, q) ends in, `cell` being the
// one p stands in.
int cell_after(const char* p, const char* q, int cell) {
    const char* line_start = q;
    while (line_start != p && line_start[-1] != '\n') --line_start;
    if (line_start != p) cell = 1;
    return cell + static_cast<int>(std::count(line_start, q, '\t'));
}
}  // namespace

namespace {

// Opens path for reading; null with errno set when that fails. A directory
// opens on some systems but holds no bytes to read.
std::FILE* open_for_reading(const char* path) {
    errno = 0;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return nullptr;
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
        std::fclose(file);
        errno = EISDIR;
        return nullptr;
    }
    return file;
}

}  // namespace

int reading_error(const char* path) {
    std::FILE* file = open_for_reading(path);
    if (file == nullptr) return errno != 0 ? errno : ENOENT;
    std::fclose(file);
    return 0;
}

byte_reader::byte_reader(const char* path) {
    file_ = open_for_reading(path);
    if (file_ == nullptr) return;
    buffer_ = std::make_unique_for_overwrite<char[]>(buffer_size + 1);
    pos_ = end_ = buffer_.get() + 1;
}

byte_reader::byte_reader(const char* bytes, std::size_t size) : memory_(true), pos_(bytes), end_(bytes + size) {}

byte_reader::byte_reader(byte_reader&& other) noexcept
    : file_(other.file_),
      memory_(other.memory_),
      buffer_(std::move(other.buffer_)),
      pos_(other.pos_),
      end_(other.end_),
      line_(other.line_),
      last_(other.last_),
      ended_(other.ended_) {
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
    if (file_ == nullptr || damaged_line_ != 0) return false;
    char* start = buffer_.get() + 1;
    const std::size_t got = std::fread(start, 1, buffer_size, file_);
    pos_ = start;
    end_ = start + got;
    if (got == 0) ended_ = true;
    guard(start);
    return end_ != pos_;
}

bool byte_reader::extend() {
    if (file_ == nullptr || damaged_line_ != 0) return false;
    char* start = buffer_.get() + 1;
    const std::size_t kept = static_cast<std::size_t>(end_ - pos_);
    if (kept >= buffer_size) return false;
    std::memmove(start, pos_, kept);
    const std::size_t got = std::fread(start + kept, 1, buffer_size - kept, file_);
    pos_ = start;
    end_ = start + kept + got;
    if (got == 0) ended_ = true;
    guard(start + kept);
    return end_ > start + kept;
}

int byte_reader::peek_after_cr() {
    if (end_ - pos_ < 2 && file_ != nullptr && damaged_line_ == 0) {
        buffer_[0] = '\r';
        const std::size_t got = std::fread(buffer_.get() + 1, 1, buffer_size, file_);
        pos_ = buffer_.get();
        end_ = buffer_.get() + 1 + got;
        if (got == 0) ended_ = true;
        guard(buffer_.get() + 1);
    }
    return end_ - pos_ >= 2 && pos_[1] == '\n' ? '\n' : '\r';
}

void byte_reader::refuse_control_bytes(std::vector<bool> text_cells) {
    guarding_ = true;
    text_cells_ = std::move(text_cells);
    cell_ = 1;
    if (pos_ != nullptr) guard(pos_);
}

void byte_reader::guard(const char* from) {
    if (!guarding_ || damaged_line_ != 0) return;
    for (const char* p = from;;) {
        const char* const bad = find_control_byte(p, end_);
        cell_ = cell_after(p, bad, cell_);
        if (bad == end_) return;
        const unsigned char c = static_cast<unsigned char>(*bad);
        const std::size_t cell = static_cast<std::size_t>(cell_);
        if (c == 0 || cell >= text_cells_.size() || !text_cells_[cell]) return cut_at(bad);
        p = bad + 1;
    }
}

// The damaged line starts after the last line feed before its byte, or at
// pos_ when the reader has begun to give it out already.
void byte_reader::cut_at(const char* bad) {
    const char* start = bad;
    while (start != pos_ && start[-1] != '\n') --start;
    damaged_line_ = line_ + static_cast<long long>(std::count(pos_, start, '\n'));
    damaged_byte_ = static_cast<unsigned char>(*bad);
    end_ = start;
    ended_ = true;
}

void byte_reader::skip_to_end() {
    do {
        line_ += static_cast<long long>(std::count(pos_, end_, '\n'));
        pos_ = end_;
    } while (refill());
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
    if (scan_decimal(token.data(), end, false, &stop, &value) != decimal_scan::number || stop != end) return false;
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
        const decimal_scan r = scan_decimal(in.cursor(), in.limit(), in.can_extend(), &stop, &value);
        if (r != decimal_scan::incomplete) {
            in.advance_within_line(stop);
            if (r == decimal_scan::not_a_number) return false;
            out = value;
            return true;
        }
        // At the end of the file the token is complete: scan it once more as such.
        if (!in.extend() && !in.at_end_of_file()) break;
    }
    return read_long_real(in, out);
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
