// Where the console text of a run goes: progress (the running commentary),
// failures (warnings, and what stopped the run) and an optional single
// progress line that rewrites itself. The dialogue keeps the first two on
// standard output and has no progress line; the command line sends failures
// to standard error, may silence progress and draws the line on a terminal
// only, and writes each failure as one message that starts "spotweave: ".
// A console made by holding() keeps its text instead, so a file loaded ahead
// of its turn can give out its lines when the files before it have. Whoever
// writes text is handed the console it writes to.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#if defined(__GNUC__) && defined(__MINGW32__)
#define SPOTWEAVE_PRINTF(n) __attribute__((format(gnu_printf, n, n + 1)))
#elif defined(__GNUC__)
#define SPOTWEAVE_PRINTF(n) __attribute__((format(printf, n, n + 1)))
#else
#define SPOTWEAVE_PRINTF(n)
#endif

struct console {
    std::FILE* progress = stdout;  // null: no progress text
    std::FILE* failures = stdout;
    std::FILE* line = nullptr;   // null: no progress line
    std::size_t line_shown = 0;  // length of the progress line on screen, 0 when none

    // The command line's console: each failure text is written as
    // command_line_message makes it, and each file's factor lines are
    // headed by the file's name.
    bool command_line = false;

    // A holding console keeps its text here, in order, each piece with its stream.
    struct piece {
        bool failure;
        std::string text;
    };
    bool holding = false;
    std::vector<piece> held;
};

// A console that holds progress and failure text back, as it stands; it
// draws no line. It is the command line's when `command_line` says so.
console holding_console(bool command_line = false);

// A failure text as the command line gives it: "spotweave: " first, with the
// blank lines and blanks the dialogue puts before its messages dropped, and
// one line feed at the end.
std::string command_line_message(std::string_view text);

// printf onto the progress stream.
void progress_text(console& c, const char* format, ...) SPOTWEAVE_PRINTF(2);

// printf onto the failure stream; standard output is flushed first so the
// two keep their order on one console.
void failure_text(console& c, const char* format, ...) SPOTWEAVE_PRINTF(2);

// Draws the progress line anew ("\r", the text, blanks over a longer former
// text). Other console text wipes it first.
void show_progress_line(console& c, const char* format, ...) SPOTWEAVE_PRINTF(2);

// Wipes the progress line, if one is shown.
void clear_progress_line(console& c);

// Gives out what `held` kept, in order, onto `c`.
void print_held(console& c, const console& held);
