// A report being written: text mode (CR LF on Windows), one large buffer,
// numbers formatted with to_chars, and every write checked.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "input/run_settings.hpp"

class report_file {
public:
    // Creates or truncates the file at path `name`; is_open() tells.
    explicit report_file(const char* name);
    ~report_file();
    report_file(const report_file&) = delete;
    report_file& operator=(const report_file&) = delete;

    bool is_open() const { return file_ != nullptr; }

    void put(std::string_view text) {
        buffer_.append(text);
        if (buffer_.size() >= flush_size) drain();
    }
    // "%s\t" for a zero-terminated text.
    void put_text_tab(const char* text);
    // printf's "%W.Df".
    void put_fixed(double value, int decimals, int width);
    // printf's "%Wd".
    void put_int(long long value, int width = 0);

    // Writes what is left and closes; on any write error prints
    // "can't write the data file <name>: reason" and makes a failure stop.
    void close();

private:
    static constexpr std::size_t flush_size = 1 << 20;
    void drain();
    [[noreturn]] void write_failed(int error);

    std::FILE* file_ = nullptr;
    std::string name_;
    std::string buffer_;
};

// Every file name with "%s\t", then the line end: the name rows of cor.txt and merge.txt.
void put_file_names(report_file& out, const run_settings& s);
