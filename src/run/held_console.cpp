#include "run/held_console.hpp"

#include <cstdio>

#include "run/console.hpp"

namespace {
thread_local held_text* holding = nullptr;
}  // namespace

held_console::held_console(held_text& into) : outer_(holding) { holding = &into; }

held_console::~held_console() { holding = outer_; }

bool hold_console_text(bool failure, const char* format, std::va_list args) {
    if (holding == nullptr) return false;
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    if (length > 0) {
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, again);
        text.pop_back();
        holding->pieces.push_back({failure, std::move(text)});
    }
    va_end(again);
    return true;
}

void print_held(const held_text& held) {
    for (const held_text::piece& p : held.pieces) {
        if (p.failure)
            failure_text("%s", p.text.c_str());
        else
            progress_text("%s", p.text.c_str());
    }
}
