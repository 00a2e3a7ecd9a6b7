#include "run/console.hpp"

#include <cstdarg>

namespace {

std::string formatted(const char* format, std::va_list args) {
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    std::string text;
    if (length > 0) {
        text.assign(static_cast<std::size_t>(length) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, again);
        text.pop_back();
    }
    va_end(again);
    return text;
}

void put(console& c, bool failure, const char* format, std::va_list args) {
    if (c.holding) {
        std::string text = formatted(format, args);
        if (!text.empty()) c.held.push_back({failure, std::move(text)});
        return;
    }
    std::FILE* stream = failure ? c.failures : c.progress;
    if (stream == nullptr) return;
    clear_progress_line(c);
    if (failure && stream != stdout) std::fflush(stdout);
    if (failure && c.command_line)
        std::fputs(command_line_message(formatted(format, args)).c_str(), stream);
    else
        std::vfprintf(stream, format, args);
}

bool is_lead(char c) { return c == '\n' || c == ' '; }

}  // namespace

console holding_console(bool command_line) {
    console c;
    c.holding = true;
    c.command_line = command_line;
    return c;
}

std::string command_line_message(std::string_view text) {
    while (!text.empty() && is_lead(text.front())) text.remove_prefix(1);
    while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (text.empty()) return {};
    return "spotweave: " + std::string(text) + "\n";
}

void clear_progress_line(console& c) {
    if (c.line == nullptr || c.line_shown == 0) return;
    std::fprintf(c.line, "\r%s\r", std::string(c.line_shown, ' ').c_str());
    std::fflush(c.line);
    c.line_shown = 0;
}

void progress_text(console& c, const char* format, ...) {
    if (c.progress == nullptr && !c.holding) return;
    std::va_list args;
    va_start(args, format);
    put(c, false, format, args);
    va_end(args);
}

void failure_text(console& c, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    put(c, true, format, args);
    va_end(args);
}

void show_progress_line(console& c, const char* format, ...) {
    if (c.line == nullptr || c.holding) return;
    char text[200];
    std::va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0) return;
    const std::size_t shown = std::string(text).size();
    std::fflush(stdout);
    std::fprintf(c.line, "\r%s", text);
    if (shown < c.line_shown) std::fprintf(c.line, "%s", std::string(c.line_shown - shown, ' ').c_str());
    std::fflush(c.line);
    c.line_shown = shown > c.line_shown ? shown : c.line_shown;
}

void print_held(console& c, const console& held) {
    for (const console::piece& p : held.held) {
        if (p.failure)
            failure_text(c, "%s", p.text.c_str());
        else
            progress_text(c, "%s", p.text.c_str());
    }
}
