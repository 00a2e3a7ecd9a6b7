// The one buffered reader of result files: block reads, CR LF folded to LF,
// end of file reported as -1, line numbers counted as line feeds pass.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "numeric/decimal_number.hpp"

class byte_reader {
public:
    // Opens path for reading; is_open() tells whether that worked.
    explicit byte_reader(const char* path);
    // Reads from memory (tests and fuzzing).
    byte_reader(const char* bytes, std::size_t size);
    ~byte_reader();
    byte_reader(byte_reader&& other) noexcept;
    byte_reader& operator=(byte_reader&&) = delete;
    byte_reader(const byte_reader&) = delete;

    bool is_open() const { return file_ != nullptr || memory_; }
    void close();

    // Next byte (0..255), or -1 at end of file. A CR directly before an LF is dropped.
    int get() {
        if (pos_ == end_ && !refill()) return -1;
        int c = static_cast<unsigned char>(*pos_++);
        if (c == '\r' && (pos_ != end_ || refill()) && *pos_ == '\n') c = static_cast<unsigned char>(*pos_++);
        if (c == '\n') ++line_;
        last_ = c;
        return c;
    }
    // The byte get() would return, without consuming it.
    int peek() {
        if (pos_ == end_ && !refill()) return -1;
        if (*pos_ == '\r') return peek_after_cr();
        return static_cast<unsigned char>(*pos_);
    }
    // The unread bytes already in the buffer, for scanners that look ahead
    // in place; they hand back how far they got with advance_within_line.
    const char* cursor() const { return pos_; }
    const char* limit() const { return end_; }
    // Moves the unread bytes to the front of the buffer and reads more behind
    // them; false when nothing could be added (end of file, a full buffer or
    // a reader over memory).
    bool extend();
    // Whether bytes may still follow the buffer: false over memory and once
    // the file has been read to its end.
    bool can_extend() const { return file_ != nullptr && !ended_; }
    bool at_end_of_file() const { return ended_; }
    // Consumes bytes up to p, none of them a line feed.
    void advance_within_line(const char* p) {
        if (p != pos_) last_ = static_cast<unsigned char>(p[-1]);
        pos_ = p;
    }

    // From the reader's position, which starts a line, on: a line holding a
    // byte that no text holds (codes 0-8, 11, 12, 14-31 and 127) ends what
    // the reader gives, as if the file ended where that line starts, and
    // damaged_line() names it. Such a byte other than NUL may stand in a cell
    // (cells parted by tabs, from 1) that text_cells marks, text the reader
    // of rows does not take for a number.
    void refuse_control_bytes(std::vector<bool> text_cells);
    // The first damaged line found, 0 while none is; damaged_byte() its byte.
    // The reader may find it ahead of what it has given out.
    long long damaged_line() const { return damaged_line_; }
    int damaged_byte() const { return damaged_byte_; }
    // Reads to the end of what the reader gives, without looking at it.
    void skip_to_end();

    // Number of the line the next byte belongs to, from 1.
    long long line() const { return line_; }
    // Lines read so far, a last line without a line feed included.
    long long lines_read() const { return last_ == '\n' || last_ == -1 ? line_ - 1 : line_; }

private:
    bool refill();
    int peek_after_cr();
    // Looks at the bytes [from, end_) just read for a damaged line.
    void guard(const char* from);
    void cut_at(const char* bad);

    std::FILE* file_ = nullptr;
    bool memory_ = false;
    std::unique_ptr<char[]> buffer_;
    const char* pos_ = nullptr;
    const char* end_ = nullptr;
    long long line_ = 1;
    int last_ = -1;
    bool ended_ = false;

    bool guarding_ = false;
    std::vector<bool> text_cells_;
    int cell_ = 1;  // the cell that the last byte looked at by guard() ends in
    long long damaged_line_ = 0;
    int damaged_byte_ = 0;
};

// 0 when `path` opens as a file to read, else why not: the system's error
// number, EISDIR for a folder.
int reading_error(const char* path);

// Scanners: each mirrors one C conversion, stops at end of file and reports
// success apart from the value.

// Consumes n lines (through n line feeds), stopping at end of file; returns
// the number of line feeds consumed. A CR is an ordinary byte of its line.
int skip_lines(byte_reader& in, int n);

// Skips white space (line feeds included); returns the next byte, not consumed.
int skip_space(byte_reader& in);
// Skips blanks on the current line; returns the next byte, not consumed.
int skip_blanks(byte_reader& in);

// "%s": skips white space, then reads a run of non-space bytes into out,
// keeping at most `room` of them (the rest is consumed and dropped). False
// when end of file comes before the word.
bool read_word(byte_reader& in, std::string& out, std::size_t room);

// "%d" after the caller has skipped what it allows: an optional sign and
// decimal digits. False when no digit follows (a sign is consumed, nothing
// else) or when the number does not fit an int (all its digits are consumed).
bool read_int(byte_reader& in, int& out);

// "%lf" after the caller has skipped what it allows: the longest prefix of the
// form [sign] digits [. digits] [e [sign] digits] (or "." digits), as strtod
// reads decimal numbers, with the exponent taken only when it has a digit. Also
// takes inf, infinity and nan in any letter case, and numbers of any length.
// False when no number starts here: nothing is consumed unless the bytes could
// begin a number (a sign, a point, letters, an exponent without digits). The
// value may be infinite or not a number.
bool read_real(byte_reader& in, double& out);

// The rest of the current line through its line feed into out, a line feed
// always ending it. False when the file has ended before the line.
bool read_line_text(byte_reader& in, std::string& out);

// Quoted-value rule: reads one byte; if it is a double quote the value starts
// after it. The value runs to the next double quote or line feed (both
// consumed; after a quote the rest of the line is skipped). At most `room`
// bytes are kept. False when end of file comes first.
bool read_quoted_value(byte_reader& in, std::string& out, std::size_t room);
