// Console text that a thread may hold back: a file loaded ahead of its turn
// keeps its lines until the files before it have printed theirs, so the
// console reads exactly as when the files are loaded one after another.
#pragma once

#include <string>

// MinGW's C++ runtime prints through its own ISO printf.
#if defined(__MINGW32__)
#define SPOTWEAVE_PRINTF_LIKE __attribute__((format(gnu_printf, 1, 2)))
#else
#define SPOTWEAVE_PRINTF_LIKE __attribute__((format(printf, 1, 2)))
#endif

// printf to standard output, or into the calling thread's held text while a
// held_console is alive on it.
SPOTWEAVE_PRINTF_LIKE void console_print(const char* format, ...);

// While alive, console_print on this thread appends to `into`.
class held_console {
public:
    explicit held_console(std::string& into);
    ~held_console();
    held_console(const held_console&) = delete;
    held_console& operator=(const held_console&) = delete;

private:
    std::string* outer_;
};

// Writes held text to standard output.
void print_held(const std::string& text);
