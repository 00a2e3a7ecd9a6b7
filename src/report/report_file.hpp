// A report being written: text mode (CR LF on Windows), one large buffer,
// numbers formatted with to_chars, and every write checked.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "run/settings.hpp"

// Report text being built, with the formats every report uses. On its own it
// only grows (a chunk of lines formatted on a worker thread, waiting for its
// turn); a report_file writes it out whenever it is full.
class report_text {
public:
    report_text() = default;
    virtual ~report_text() = default;
    report_text(const report_text&) = delete;
    report_text& operator=(const report_text&) = delete;

    void put(std::string_view text) {
        buffer_.append(text);
        if (buffer_.size() >= full_size_) full();
    }
    // "%s\t" for a zero-terminated text.
    void put_text_tab(const char* text);
    // printf's "%W.Df".
    void put_fixed(double value, int decimals, int width);
    // printf's "%Wd".
    void put_int(long long value, int width = 0);

    std::string_view text() const { return buffer_; }
    void clear() { buffer_.clear(); }

protected:
    explicit report_text(std::size_t full_size) : full_size_(full_size) {}
    virtual void full() {}

    std::string buffer_;

private:
    std::size_t full_size_ = std::string::npos;
};

class report_file : public report_text {
public:
    // Creates or truncates the file at path `name`; is_open() tells.
    explicit report_file(const char* name);
    ~report_file() override;

    bool is_open() const { return file_ != nullptr; }
    // Why the file could not be created (the system's error number), 0 when it was.
    int open_error() const { return open_error_; }

    // Writes what is left and closes; on any write error prints
    // "can't write the data file <name>: reason" (the report's own name for a
    // staged one) and makes a failure stop.
    void close();

private:
    static constexpr std::size_t flush_size = 1 << 20;
    void full() override { drain(); }
    void drain();
    [[noreturn]] void write_failed(int error);

    std::FILE* file_ = nullptr;
    int open_error_ = 0;
    std::string name_;
};

// For the reports of the analysis options: a failure stop when `out` could
// not be created, naming the file and the system's reason.
void require_open(const report_file& out, const std::string& path);

// The names of the three reports, in the order they are written.
inline const char* const report_names[3] = {"cor.txt", "data.txt", "merge.txt"};

// The page of pictures written on request beside them.
inline const char* const html_report_name = "report.html";

// The normalised log ratios, written when an analysis option is given.
inline const char* const normalised_report_name = "normalised.txt";

// The moderated t-test of every gene, written with --moderated.
inline const char* const moderated_report_name = "moderated.txt";

// The statistics that name the suspect slides, written with report.html.
inline const char* const quality_report_name = "qc.txt";

// Where a report is written: its final path, or with s.stage_reports the
// path of its staged name beside it (report_staging.hpp). Every report goes
// through here, so a new one is staged and put in place like the others.
std::string report_path(const run_settings& s, const char* report);

// Where the user finds a report once the run is over: bare in the working
// directory, else inside s.output_dir.
std::string final_report_path(const run_settings& s, const char* report);

// Every file name with "%s\t", then the line end: the name rows of cor.txt and merge.txt.
void put_file_names(report_text& out, const run_settings& s);

// Lines 1..count of a report, line i written by put_line(text, i), in line
// order. With one thread each line goes straight to out; with more, ranges
// of `per` lines are formatted on the threads and written in order, a few
// ranges per thread in memory at a time.
void put_lines_in_order(report_file& out, int threads, int count, int per,
                        const std::function<void(report_text& text, int line)>& put_line);
