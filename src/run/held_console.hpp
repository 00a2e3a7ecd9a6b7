// Console text that a thread holds back: a file loaded ahead of its turn
// keeps its lines until the files before it have printed theirs, so the
// console reads exactly as when the files are loaded one after another.
#pragma once

#include <cstdarg>
#include <string>
#include <vector>

// What a thread held back, in order, each piece with its stream.
struct held_text {
    struct piece {
        bool failure;  // failure_text, else progress_text
        std::string text;
    };
    std::vector<piece> pieces;
};

// While alive, progress_text and failure_text on this thread append to `into`
// instead of printing.
class held_console {
public:
    explicit held_console(held_text& into);
    ~held_console();
    held_console(const held_console&) = delete;
    held_console& operator=(const held_console&) = delete;

private:
    held_text* outer_;
};

// For progress_text and failure_text: appends the formatted text to the
// calling thread's held text and returns true, or returns false when the
// thread holds nothing back.
bool hold_console_text(bool failure, const char* format, std::va_list args);

// Prints held text through progress_text and failure_text, in order.
void print_held(const held_text& held);
