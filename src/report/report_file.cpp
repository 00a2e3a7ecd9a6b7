#include "report/report_file.hpp"

#include <cerrno>
#include <cstring>

#include "numeric/console_text.hpp"
#include "numeric/fixed_text.hpp"
#include "numeric/run_end.hpp"

report_file::report_file(const char* name) : name_(name) {
    file_ = std::fopen(name, "w");
    buffer_.reserve(flush_size + fixed_text_room + 1024);
}

report_file::~report_file() {
    if (file_ != nullptr) std::fclose(file_);
}

void report_file::put_text_tab(const char* text) {
    buffer_.append(text);
    buffer_.push_back('\t');
    if (buffer_.size() >= flush_size) drain();
}

void report_file::put_fixed(double value, int decimals, int width) {
    char text[fixed_text_room];
    put(std::string_view(text, format_fixed(text, value, decimals, width)));
}

void report_file::put_int(long long value, int width) {
    char text[fixed_text_room];
    put(std::string_view(text, format_int(text, value, width)));
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
    failure_text("can't write the data file <%s>: %s\n", name_.c_str(),
                error != 0 ? std::strerror(error) : "write error");
    failure_stop(1);
}

void put_file_names(report_file& out, const run_settings& s) {
    for (int f = 1; f <= s.file_count(); ++f) out.put_text_tab(s.file_name(f));
    out.put("\n");
}
