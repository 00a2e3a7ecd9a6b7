#include "report/report_file.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "numeric/fixed_text.hpp"
#include "report/report_staging.hpp"
#include "run/failure.hpp"
#include "run/workers.hpp"

void report_text::put_text_tab(const char* text) {
    buffer_.append(text);
    put("\t");
}

void report_text::put_fixed(double value, int decimals, int width) {
    char text[fixed_text_room];
    put(std::string_view(text, format_fixed(text, value, decimals, width)));
}

void report_text::put_int(long long value, int width) {
    char text[fixed_text_room];
    put(std::string_view(text, format_int(text, value, width)));
}

report_file::report_file(const char* name) : report_text(flush_size), name_(shown_report_path(name)) {
    // The buffer first: memory that runs out must not leave an empty report behind.
    buffer_.reserve(flush_size + fixed_text_room + 1024);
    errno = 0;
    file_ = std::fopen(name, "w");
    if (file_ == nullptr) open_error_ = errno != 0 ? errno : EIO;
}

void require_open(const report_file& out, const std::string& path) {
    if (!out.is_open())
        failure_stop("can't create the report <" + shown_report_path(path) + ">: " + std::strerror(out.open_error()) +
                     "\nclose the program that holds it, or check that the folder is writable, and run again.\n");
}

report_file::~report_file() {
    if (file_ != nullptr) std::fclose(file_);
}

void report_file::drain() {
    if (buffer_.empty()) return;
    errno = 0;
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) write_failed(errno);
    buffer_.clear();
}

void report_file::close() {
    drain();
    errno = 0;
    if (std::fflush(file_) != 0 || std::ferror(file_)) write_failed(errno);
    std::FILE* file = file_;
    file_ = nullptr;
    errno = 0;
    if (std::fclose(file) != 0) write_failed(errno);
}

void report_file::write_failed(int error) {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    failure_stop("can't write the data file <" + name_ + ">: " + (error != 0 ? std::strerror(error) : "write error") +
                 "\n");
}

std::string report_path(const run_settings& s, const char* report) {
    return in_folder(s.output_dir, s.stage_reports ? staged_name(report) : std::string(report));
}

std::string final_report_path(const run_settings& s, const char* report) { return in_folder(s.output_dir, report); }

void put_file_names(report_text& out, const run_settings& s) {
    for (int f = 1; f <= s.file_count(); ++f) out.put_text_tab(s.file_label(f));
    out.put("\n");
}

namespace {
// Ranges formatted per thread between two writes: enough to keep every thread busy.
constexpr int ranges_per_thread = 4;
}  // namespace

void put_lines_in_order(report_file& out, int threads, int count, int per,
                        const std::function<void(report_text& text, int line)>& put_line) {
    const int workers = workers_for_ranges(threads, count, per);
    if (workers == 1) {
        for (int line = 1; line <= count; ++line) put_line(out, line);
        return;
    }
    const int round = workers * ranges_per_thread;
    std::vector<std::unique_ptr<report_text>> chunks;
    for (int k = 0; k < round; ++k) chunks.push_back(std::make_unique<report_text>());
    for (int first = 1; first <= count;) {
        const int lines = static_cast<int>(std::min<long long>(static_cast<long long>(round) * per, count - first + 1));
        const int ranges = (lines - 1) / per + 1;
        parallel_for(workers, ranges, [&](int k, int) {
            report_text& chunk = *chunks[static_cast<std::size_t>(k)];
            chunk.clear();
            const int from = first + k * per;
            const int to = std::min(from + per - 1, first + lines - 1);
            for (int line = from; line <= to; ++line) put_line(chunk, line);
        });
        for (int k = 0; k < ranges; ++k) out.put(chunks[static_cast<std::size_t>(k)]->text());
        first += lines;
    }
}
