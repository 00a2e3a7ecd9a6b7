#include "run/console.hpp"

#include <cstdarg>
#include <string>

#include "run/held_console.hpp"

namespace {

std::FILE* progress_stream = stdout;
std::FILE* failure_stream = stdout;
std::FILE* line_stream = nullptr;
std::size_t line_shown = 0;  // length of the progress line on screen, 0 when none

}  // namespace

void choose_console(std::FILE* progress, std::FILE* failures, std::FILE* line) {
    progress_stream = progress;
    failure_stream = failures;
    line_stream = line;
    line_shown = 0;
}

void clear_progress_line() {
    if (line_stream == nullptr || line_shown == 0) return;
    std::fprintf(line_stream, "\r%s\r", std::string(line_shown, ' ').c_str());
    std::fflush(line_stream);
    line_shown = 0;
}

void progress_text(const char* format, ...) {
    if (progress_stream == nullptr) return;
    std::va_list args;
    va_start(args, format);
    if (!hold_console_text(false, format, args)) {
        clear_progress_line();
        std::vfprintf(progress_stream, format, args);
    }
    va_end(args);
}

void failure_text(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    if (!hold_console_text(true, format, args)) {
        clear_progress_line();
        if (failure_stream != stdout) std::fflush(stdout);
        std::vfprintf(failure_stream, format, args);
    }
    va_end(args);
}

void show_progress_line(const char* format, ...) {
    if (line_stream == nullptr) return;
    char text[200];
    std::va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0) return;
    const std::size_t shown = std::string(text).size();
    std::fflush(stdout);
    std::fprintf(line_stream, "\r%s", text);
    if (shown < line_shown) std::fprintf(line_stream, "%s", std::string(line_shown - shown, ' ').c_str());
    std::fflush(line_stream);
    line_shown = shown > line_shown ? shown : line_shown;
}
