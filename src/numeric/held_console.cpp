#include "numeric/held_console.hpp"

#include <cstdarg>
#include <cstdio>

namespace {
thread_local std::string* held = nullptr;
}  // namespace

void console_print(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    if (held == nullptr) {
        std::vprintf(format, args);
        va_end(args);
        return;
    }
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length > 0) {
        const std::size_t at = held->size();
        held->resize(at + static_cast<std::size_t>(length) + 1);
        std::vsnprintf(&(*held)[at], static_cast<std::size_t>(length) + 1, format, again);
        held->resize(at + static_cast<std::size_t>(length));
    }
    va_end(again);
}

held_console::held_console(std::string& into) : outer_(held) { held = &into; }

held_console::~held_console() { held = outer_; }

void print_held(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }
