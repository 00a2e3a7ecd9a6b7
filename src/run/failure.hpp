// The one way a run ends early: a run_failure, thrown where the run cannot go
// on, carrying its own text. The entry point catches it once, prints the
// text, waits for the key when both the failure and the run ask for one, and
// returns the status; every table is handed back on the way, and a failure on
// a worker thread reaches the calling thread like any other exception.
#pragma once

#include <string>

struct run_failure {
    int status = 1;
    bool wait_for_key = true;             // failure stops wait; numeric errors and ended answers do not
    const char* numeric_error = nullptr;  // set: the three-line banner with this message, on standard error
    std::string text;                     // otherwise: printed on the failure stream as it stands
};

// Failure stop: `text` on the failure stream, then "press any key to exit the
// program", one keypress and `status`.
[[noreturn]] void failure_stop(std::string text, int status = 1);

// Numeric error: the banner on standard error (standard output flushed
// first), status 1, no keypress. `message` has static lifetime, so the
// failure carries it without allocating.
[[noreturn]] void numeric_fatal(const char* message);
