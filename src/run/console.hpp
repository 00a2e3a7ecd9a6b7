// Where the console text of a run goes: progress (the running commentary),
// failures (what stopped the run) and an optional single progress line that
// rewrites itself. The dialogue keeps the first two on standard output and
// has no progress line; the command line sends failures to standard error,
// may silence progress and draws the line on a terminal only. Chosen once,
// before the run reads anything.
#pragma once

#include <cstdio>

#if defined(__GNUC__) && defined(__MINGW32__)
#define SPOTWEAVE_PRINTF(n) __attribute__((format(gnu_printf, n, n + 1)))
#elif defined(__GNUC__)
#define SPOTWEAVE_PRINTF(n) __attribute__((format(printf, n, n + 1)))
#else
#define SPOTWEAVE_PRINTF(n)
#endif

// progress null: no progress text; line null: no progress line.
void choose_console(std::FILE* progress, std::FILE* failures, std::FILE* line = nullptr);

// printf onto the progress stream.
void progress_text(const char* format, ...) SPOTWEAVE_PRINTF(1);

// printf onto the failure stream; standard output is flushed first so the
// two keep their order on one console.
void failure_text(const char* format, ...) SPOTWEAVE_PRINTF(1);

// Draws the progress line anew ("\r", the text, blanks over a longer former
// text). Other console text wipes it first.
void show_progress_line(const char* format, ...) SPOTWEAVE_PRINTF(1);

// Wipes the progress line, if one is shown.
void clear_progress_line();
